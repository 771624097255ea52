// Reads arbitrary bytes as a compiled file, the way `dump` and `report` do.
//
// Input: one control byte, then the file. Bits 0-1 of the control byte pick the kind:
//   0 cell file, 1 line file, 2 plan file: decode, then dump (bit 2: as JSON, bit 3:
//     every cell, slot or point);
//   3 a whole scenario for the report: two 32-bit little-endian lengths, then the cell
//     file, the line file and, when bit 2 is set, the rest as the plan file.
//
// Beyond "no crash": a file that decodes re-encodes to exactly its own bytes (nothing
// skipped, nothing invented); `dump` reports success exactly when the file decodes, and
// its JSON output parses; the report page is valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "format/decode.h"
#include "inspect/dump.h"
#include "inspect/report.h"
#include "model/cell_grid.h"
#include "base/coding.h"
#include "model/line_table.h"
#include "model/track_plan.h"

namespace {

using namespace percorso;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "decoder invariant broken: %s\n", what);
  std::abort();
}

std::string EncodeCells(const std::vector<TrackCell>& cells) {
  std::string s;
  for (const TrackCell& c : cells) {
    PutFixed8(&s, c.tipo);
    for (int16_t v : {c.dato1, c.dato2, c.dato3, c.dato4}) PutFixed16(&s, static_cast<uint16_t>(v));
    for (uint8_t v : {c.tempo, c.preavviso, c.montagna, c.velocita, c.pendenza, c.aderenza})
      PutFixed8(&s, v);
  }
  return s;
}

void EncodeElements(const std::vector<PlanElement>& elements, std::string* s) {
  for (const PlanElement& e : elements) {
    PutFixed16(s, e.tag);
    if (e.tag == kPlanInt16) {
      Check(e.value == static_cast<int16_t>(e.value), "an int16 element holds its value exactly");
      PutFixed16(s, static_cast<uint16_t>(static_cast<int16_t>(e.value)));
    } else if (e.tag == kPlanDouble) {
      PutDouble(s, e.value);
    } else {
      Check(e.tag == kPlanEmpty, "a known tag");
    }
  }
}

std::string EncodePlan(const DecodedPlan& plan) {
  Check(plan.x.size() == plan.y.size(), "two components of one length");
  std::string s;
  EncodeElements(plan.x, &s);
  EncodeElements(plan.y, &s);
  return s;
}

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned c = static_cast<unsigned char>(s[i]);
    size_t n;  // continuation bytes
    if (c < 0x80) n = 0;
    else if ((c & 0xE0) == 0xC0) n = 1;
    else if ((c & 0xF0) == 0xE0) n = 2;
    else if ((c & 0xF8) == 0xF0) n = 3;
    else return false;
    if (n > s.size() - i - 1) return false;
    for (size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

// Decodes one file of a kind and checks the round trip; returns whether it decoded.
bool DecodeAndCheck(CompiledKind kind, std::string_view bytes) {
  switch (kind) {
    case CompiledKind::kCells: {
      auto d = DecodeCellFile(bytes);
      if (d.ok()) Check(EncodeCells(d.value) == bytes, "cell file round trip");
      else (void)d.error->Describe();
      return d.ok();
    }
    case CompiledKind::kLine: {
      auto d = DecodeLineFile(bytes);
      if (d.ok()) Check(EncodeLineFile(d.value) == bytes, "line file round trip");
      else (void)d.error->Describe();
      return d.ok();
    }
    case CompiledKind::kPlan: {
      auto d = DecodePlanFile(bytes);
      if (d.ok()) {
        Check(EncodePlan(d.value) == bytes, "plan file round trip");
        const int64_t filled = d.value.FilledPoints();
        Check(filled >= 0 && filled <= d.value.upper() + 1, "filled points within the plan");
      } else {
        (void)d.error->Describe();
      }
      return d.ok();
    }
    case CompiledKind::kUnknown:
      break;
  }
  return false;
}

void Dump(CompiledKind kind, std::string_view bytes, bool json, bool all) {
  const bool decodes = DecodeAndCheck(kind, bytes);
  const DumpedFile dumped = DumpCompiledBytes(kind, bytes, "fuzz.dat", DumpForm{json, all});
  Check(dumped.ok() == decodes, "dump succeeds exactly when the file decodes");
  Check(decodes || dumped.text.empty(), "a broken file is described by its fault alone");
  if (decodes && json) {
    Check(nlohmann::json::accept(dumped.text), "dump's JSON parses");
  }
}

void Report(std::string_view rest, bool with_plan) {
  if (rest.size() < 8) return;
  const uint32_t cells_len = DecodeFixed32(rest.data());
  const uint32_t line_len = DecodeFixed32(rest.data() + 4);
  rest.remove_prefix(8);
  if (cells_len > rest.size() || line_len > rest.size() - cells_len) return;
  const std::string_view cells = rest.substr(0, cells_len);
  const std::string_view line = rest.substr(cells_len, line_len);
  const std::string_view plan = rest.substr(cells_len + line_len);

  auto c = DecodeCellFile(cells);
  auto l = DecodeLineFile(line);
  if (!c.ok() || !l.ok()) return;
  CompiledView view;
  view.cells = std::move(c.value);
  view.table = std::move(l.value);
  if (with_plan) {
    auto p = DecodePlanFile(plan);
    if (!p.ok()) return;
    view.plan = std::move(p.value);
  }
  const std::string page = RenderReport(view);
  Check(ValidUtf8(page), "the report page is UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool bit2 = (control & 4) != 0;
  const bool bit3 = (control & 8) != 0;
  switch (control & 3) {
    case 0: Dump(CompiledKind::kCells, bytes, bit2, bit3); break;
    case 1: Dump(CompiledKind::kLine, bytes, bit2, bit3); break;
    case 2: Dump(CompiledKind::kPlan, bytes, bit2, bit3); break;
    case 3: Report(bytes, bit2); break;
  }
  return 0;
}
