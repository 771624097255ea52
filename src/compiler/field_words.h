// The fields of the texts' rows in the words an author knows, beside the format's own
// names, for the messages of the loader and of the warnings: "the length `l` of a
// slowdown (`rallentamento`)".
#ifndef PERCORSO_COMPILER_FIELD_WORDS_H_
#define PERCORSO_COMPILER_FIELD_WORDS_H_

#include <string>
#include <string_view>

namespace percorso {

// `row` is the row's keyword as the loader names it ("rallentamento", "velocita"),
// `field` the field's name as the loader reads it ("l", "position", "type (field 2)").
std::string FieldInWords(std::string_view row, std::string_view field);

// The row alone: "a slowdown (`rallentamento`)".
std::string RowInWords(std::string_view row);

// What an author wrote, as a message quotes it: in double quotes, cut after 60 bytes
// with "..." so that a runaway token does not flood the message.
std::string Quoted(std::string_view s);

// Whether the field holds a position in metres along the line.
bool IsPositionField(std::string_view field);

}  // namespace percorso

#endif  // PERCORSO_COMPILER_FIELD_WORDS_H_
