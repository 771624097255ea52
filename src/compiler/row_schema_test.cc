// The row grammar and the loader agree on every number field's width: a row of each
// keyword, put into the built-in pair with one field at the largest value its width in
// the grammar allows, loads without a width failure; one more and the loader refuses it
// as not fitting that very width.
#include "compiler/row_schema.h"

#include <gtest/gtest.h>

#include <string>

#include "builtin/builtin_texts.h"
#include "compiler/compile.h"
#include "model/line_list.h"

namespace percorso {
namespace {

int64_t MaxOf(NumberWidth w) {
  switch (w) {
    case NumberWidth::kByte: return 255;
    case NumberWidth::kInt16: return 32767;
    case NumberWidth::kInt32: break;
  }
  return 2147483647;
}

// The row with field `tested` set to `value`, every other field a plain one.
std::string RowWith(const RowSchema& r, size_t tested, int64_t value) {
  std::string row(r.keyword);
  for (size_t i = 0; i < r.fields.size(); ++i) {
    row += ", ";
    if (i == tested) {
      row += std::to_string(value);
    } else {
      row += r.fields[i].kind == FieldKind::kText ? "X" : "0";
    }
  }
  return row;
}

// The errors' details of the built-in pair with `row` put right after its [generale]
// header (the line description's general section, or the train text's body).
std::string DetailsWith(const RowSchema& r, const std::string& row) {
  std::string linea = RenderText(LineaRows());
  std::string treno = RenderText(TrenoRows());
  std::string& text = r.text == TextKind::kLinea ? linea : treno;
  if (r.text == TextKind::kLinea && r.section == Section::kBody) {
    const size_t header = text.find("[pendenze]");
    text.insert(text.find('\n', header) + 1, row + "\r\n");
  } else {
    const size_t header = text.find("[generale]");
    text.insert(text.find('\n', header) + 1, row + "\r\n");
  }
  SourceText l{ReadStatus::kOk, linea, "R_linea.txt"};
  SourceText t{ReadStatus::kOk, treno, "R_1-.txt"};
  // With the plan: curve rows are read only for it.
  const Compilation c = CompileScenario(l, t, {"R", "1", PlanChoice::kWithPlan});
  std::string details;
  for (const Diagnostic& d : c.errors.log) details += d.detail + "\n";
  return details;
}

TEST(RowSchemaTest, TheLoaderReadsEveryNumberFieldAtTheGrammarsWidth) {
  for (const RowSchema& r : RowSchemas()) {
    for (size_t i = 0; i < r.fields.size(); ++i) {
      const FieldSchema& f = r.fields[i];
      if (f.kind != FieldKind::kNumber) continue;
      const int64_t max = MaxOf(f.width);
      const std::string fits = RowWith(r, i, max);
      const std::string refused = "value " + std::to_string(max) + " does not fit";
      EXPECT_EQ(DetailsWith(r, fits).find(refused), std::string::npos) << fits;
      const std::string too_wide = RowWith(r, i, max + 1);
      const std::string expected = "value " + std::to_string(max + 1) + " does not fit a " +
                                   std::string(WidthName(f.width));
      EXPECT_NE(DetailsWith(r, too_wide).find(expected), std::string::npos)
          << too_wide << "\n" << DetailsWith(r, too_wide);
    }
  }
}

}  // namespace
}  // namespace percorso
