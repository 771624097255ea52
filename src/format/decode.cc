#include "format/decode.h"

#include "base/coding.h"
#include "model/track_plan.h"

namespace percorso {

namespace {

// Reads fixed-width fields front to back, refusing any field that would run past the end.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  size_t offset() const { return pos_; }
  size_t left() const { return bytes_.size() - pos_; }

  // Each returns false, leaving the offset where the field begins, when too few bytes
  // are left; `what` then says which field it was.
  bool U8(uint8_t* v, const char* what) {
    if (!Need(1, what)) return false;
    *v = DecodeFixed8(bytes_.data() + pos_);
    pos_ += 1;
    return true;
  }
  bool U16(uint16_t* v, const char* what) {
    if (!Need(2, what)) return false;
    *v = DecodeFixed16(bytes_.data() + pos_);
    pos_ += 2;
    return true;
  }
  bool I16(int16_t* v, const char* what) {
    uint16_t u;
    if (!U16(&u, what)) return false;
    *v = static_cast<int16_t>(u);
    return true;
  }
  bool I32(int32_t* v, const char* what) {
    if (!Need(4, what)) return false;
    *v = static_cast<int32_t>(DecodeFixed32(bytes_.data() + pos_));
    pos_ += 4;
    return true;
  }
  bool F64(double* v, const char* what) {
    if (!Need(8, what)) return false;
    *v = DecodeDouble(bytes_.data() + pos_);
    pos_ += 8;
    return true;
  }
  bool Bytes(size_t n, std::string* v, const char* what) {
    if (!Need(n, what)) return false;
    v->assign(bytes_.data() + pos_, n);
    pos_ += n;
    return true;
  }

  // Set by the last failed read.
  const std::string& shortage() const { return shortage_; }

 private:
  bool Need(size_t n, const char* what) {
    if (left() >= n) return true;
    shortage_ = std::string(what) + " needs " + std::to_string(n) + " byte" + (n == 1 ? "" : "s") +
                ", the file ends after " + std::to_string(left());
    return false;
  }

  std::string_view bytes_;
  size_t pos_ = 0;
  std::string shortage_;
};

template <typename T>
Decoded<T> Fail(size_t offset, std::string message) {
  Decoded<T> d;
  d.error = DecodeError{offset, std::move(message)};
  return d;
}

bool ReadSlot(Reader& r, LineRecord* s) {
  uint16_t n = 0;
  return r.U8(&s->tipo, "tipo") && r.I32(&s->inizio, "inizio") && r.I32(&s->fine, "fine") &&
         r.I32(&s->posizione, "posizione") && r.U8(&s->opzione1, "opzione1") &&
         r.U16(&n, "the length of nome") && r.Bytes(n, &s->nome, "nome") &&
         r.I16(&s->valore1, "valore1") && r.I16(&s->valore2, "valore2") &&
         r.I16(&s->valore3, "valore3") && r.I16(&s->valore4, "valore4") &&
         r.I16(&s->valore5, "valore5") && r.U8(&s->opzione2, "opzione2") &&
         r.U8(&s->opzione3, "opzione3") && r.U8(&s->opzione4, "opzione4") &&
         r.U8(&s->opzione5, "opzione5") && r.I32(&s->orario, "orario");
}

const char* TagName(uint16_t tag) {
  switch (tag) {
    case kPlanEmpty: return "empty";
    case kPlanInt16: return "int16";
    case kPlanDouble: return "double";
    default: return "unknown";
  }
}

}  // namespace

Decoded<std::vector<TrackCell>> DecodeCellFile(std::string_view bytes) {
  using Result = Decoded<std::vector<TrackCell>>;
  if (bytes.empty()) return Fail<std::vector<TrackCell>>(0, "empty cell file: a grid has at least one cell");
  size_t whole = bytes.size() / kCellBytes;
  if (bytes.size() % kCellBytes != 0) {
    size_t rest = bytes.size() % kCellBytes;
    return Fail<std::vector<TrackCell>>(
        whole * kCellBytes, "cell file length " + std::to_string(bytes.size()) +
                                " is not a multiple of 15: cell " + std::to_string(whole) +
                                " has only " + std::to_string(rest) + " of its 15 bytes");
  }
  Result out;
  out.value.resize(whole);
  Reader r(bytes);
  for (TrackCell& c : out.value) {
    // The length check above guarantees every read succeeds.
    r.U8(&c.tipo, "tipo");
    r.I16(&c.dato1, "dato1");
    r.I16(&c.dato2, "dato2");
    r.I16(&c.dato3, "dato3");
    r.I16(&c.dato4, "dato4");
    r.U8(&c.tempo, "tempo");
    r.U8(&c.preavviso, "preavviso");
    r.U8(&c.montagna, "montagna");
    r.U8(&c.velocita, "velocita");
    r.U8(&c.pendenza, "pendenza");
    r.U8(&c.aderenza, "aderenza");
  }
  return out;
}

Decoded<LineTable> DecodeLineFile(std::string_view bytes) {
  Decoded<LineTable> out;
  Reader r(bytes);
  for (int k = 0; k < kLineSlots; ++k) {
    if (!ReadSlot(r, &out.value.slot[static_cast<size_t>(k)])) {
      return Fail<LineTable>(r.offset(), "slot " + std::to_string(k) + " of 87: " + r.shortage());
    }
  }
  if (r.left() != 0) {
    return Fail<LineTable>(r.offset(), std::to_string(r.left()) +
                                           " bytes left over after slot 86, the last of 87");
  }
  return out;
}

int64_t DecodedPlan::FilledPoints() const {
  int64_t n = 0;
  while (n < static_cast<int64_t>(x.size()) && x[static_cast<size_t>(n)].tag != kPlanEmpty &&
         y[static_cast<size_t>(n)].tag != kPlanEmpty) {
    ++n;
  }
  return n;
}

Decoded<DecodedPlan> DecodePlanFile(std::string_view bytes) {
  // The file has no count: walk every element first, then split the sequence in two.
  std::vector<PlanElement> elements;
  std::vector<size_t> offsets;
  Reader r(bytes);
  while (r.left() > 0) {
    size_t at = r.offset();
    PlanElement e;
    if (!r.U16(&e.tag, "an element tag")) {
      return Fail<DecodedPlan>(at, "element " + std::to_string(elements.size()) + ": " + r.shortage());
    }
    bool ok = true;
    if (e.tag == kPlanInt16) {
      int16_t v = 0;
      ok = r.I16(&v, "an int16 value");
      e.value = v;
    } else if (e.tag == kPlanDouble) {
      ok = r.F64(&e.value, "a double value");
    } else if (e.tag != kPlanEmpty) {
      return Fail<DecodedPlan>(at, "element " + std::to_string(elements.size()) + ": unknown tag " +
                                       std::to_string(e.tag) + " (known: 0 empty, 2 int16, 5 double)");
    }
    if (!ok) {
      return Fail<DecodedPlan>(r.offset(),
                               "element " + std::to_string(elements.size()) + ": " + r.shortage());
    }
    elements.push_back(e);
    offsets.push_back(at);
  }
  if (elements.size() < 2) {
    return Fail<DecodedPlan>(bytes.size(), "plan file holds " + std::to_string(elements.size()) +
                                               " elements: two components need at least one each");
  }
  if (elements.size() % 2 != 0) {
    return Fail<DecodedPlan>(bytes.size(),
                             "plan file holds an odd number of elements (" +
                                 std::to_string(elements.size()) +
                                 "): it cannot be two components of equal length");
  }
  size_t points = elements.size() / 2;
  for (size_t j = 0; j < points; ++j) {
    if (elements[j].tag != elements[points + j].tag) {
      return Fail<DecodedPlan>(
          offsets[points + j], "point " + std::to_string(j) + ": component 1 is " +
                                   TagName(elements[points + j].tag) + " but component 0 is " +
                                   TagName(elements[j].tag));
    }
  }
  Decoded<DecodedPlan> out;
  out.value.x.assign(elements.begin(), elements.begin() + static_cast<std::ptrdiff_t>(points));
  out.value.y.assign(elements.begin() + static_cast<std::ptrdiff_t>(points), elements.end());
  return out;
}

}  // namespace percorso
