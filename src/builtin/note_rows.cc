// The notes that come with the scenario: a credit line and a paragraph on how closely the
// line follows the real one. Lines 5 and 8 hold the letter e with grave accent as the
// single Windows-1252 byte 0xE8; the literals are split after the escape so that no
// following letter can be read as part of it.
#include "builtin/crew_documents.h"

namespace percorso {
namespace {

constexpr std::string_view kRows[] = {
    "",
    "Scenario realizzato dagli autori della linea Valdoro - Ostrano. Contatti: "
    "linea.valdoro@example.org",
    " ",
    "",
    "La nuova linea che presento, "
    "\xE8"
    " fedele al 98%, come curve, gallerie, altimetrie, quest'ultime",
    "potrete notare che hanno una progressione graduale sia in salita che in discesa visualizzata,",
    "dallo strumento nella gabina di guida.",
    "La linea "
    "\xE8"
    " stata realizzata con il supporto video della linea stessa con ripresa dalla gabina.",
    "",
    "'linea D.O.C.'",
    kEndMarker,
};

}  // namespace

LineList NoteRows() { return kRows; }

}  // namespace percorso
