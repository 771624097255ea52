// Keyword matching for the two texts. A keyword matches when it occurs anywhere in the
// token. Letters are folded in ASCII only, never by the locale: the texts are
// Windows-1252 bytes, and a Turkish or German locale must not change what matches.
#ifndef PERCORSO_COMPILER_KEYWORDS_H_
#define PERCORSO_COMPILER_KEYWORDS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace percorso {

inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// A keyword in lower case, with the set of letters it holds worked out when compiling.
struct Word {
  consteval Word(const char* s) : text(s), letters(LettersOf(s)) {}  // NOLINT: implicit
  static constexpr uint32_t LettersOf(std::string_view w) {
    uint32_t m = 0;
    for (char c : w)
      if (c >= 'a' && c <= 'z') m |= uint32_t{1} << (c - 'a');
    return m;
  }
  std::string_view text;
  uint32_t letters;
};

// A token with its letters folded to lower case, for the keywords that ignore case.
// Short tokens (all real ones) fold into a buffer on the stack. The set of letters of
// the token turns most keywords away before any search.
class Folded {
 public:
  explicit Folded(std::string_view token) {
    char* out = small_;
    if (token.size() > sizeof small_) {
      big_.resize(token.size());
      out = big_.data();
    }
    for (size_t i = 0; i < token.size(); ++i) {
      const char c = FoldAscii(token[i]);
      out[i] = c;
      if (c >= 'a' && c <= 'z') letters_ |= uint32_t{1} << (c - 'a');
    }
    view_ = std::string_view(out, token.size());
  }
  Folded(const Folded&) = delete;
  Folded& operator=(const Folded&) = delete;

  bool Has(Word w) const {
    return (w.letters & ~letters_) == 0 && view_.find(w.text) != std::string_view::npos;
  }

 private:
  char small_[128];
  std::string big_;
  std::string_view view_;
  uint32_t letters_ = 0;
};

// The header that opens the general section (any case): every field before it is skipped.
inline constexpr Word kGeneraleHeader = "[generale]";

// Each keyword as the texts spell it: the row schema lists these and the decompiler
// writes them. The loader finds a keyword by the words it holds, anywhere in the token
// (see the row schema), so each spelling here is the one written of many it reads.
namespace keyword {
// The general section of the line description; these words match only in lower case.
inline constexpr std::string_view kLunghezzaPercorso = "lunghezza percorso";
inline constexpr std::string_view kProgressivaTre = "progressiva chilometrica tre";
inline constexpr std::string_view kProgressivaDue = "progressiva chilometrica due";
inline constexpr std::string_view kProgressivaUno = "progressiva chilometrica uno";
inline constexpr std::string_view kSfondoUno = "sfondo uno";
inline constexpr std::string_view kSfondoDue = "sfondo due";
inline constexpr std::string_view kSfondoTre = "sfondo tre";
// The digit 4 or 9 in the token gives the number of codes.
inline constexpr std::string_view kRipetizione4Codici = "ripetizione segnali 4 codici";
inline constexpr std::string_view kRipetizione9Codici = "ripetizione segnali 9 codici";
// The body of the line description. A curve token is one of the two curve words, the
// side, followed by the digit 1 to 6 of its curvature; "s" turns the other way.
inline constexpr std::string_view kPendenza = "pendenza";
inline constexpr std::string_view kCurvaD = "curvad";
inline constexpr std::string_view kCurvaS = "curvas";
inline constexpr std::string_view kMontagna = "montagna";
inline constexpr std::string_view kIndicatoriVmax = "indicatori_vmax";
inline constexpr std::string_view kCartelloIndicatore = "cartello_indicatore";
// The train data.
inline constexpr std::string_view kPercentualeMassaFrenata = "percentuale massa frenata";
inline constexpr std::string_view kNumeroVetture = "numero vetture";
inline constexpr std::string_view kVelocita = "velocita";
inline constexpr std::string_view kAderenza = "aderenza";
inline constexpr std::string_view kOrologio = "orologio";
inline constexpr std::string_view kSabbia = "sabbia";
inline constexpr std::string_view kSegnale = "segnale";
inline constexpr std::string_view kRallentamento = "rallentamento";
inline constexpr std::string_view kAbbattimento = "abbattimento";
inline constexpr std::string_view kStazione = "stazione";
}  // namespace keyword

// The section headers the texts are written with. Only "[generale]" means something to
// the loader, and any header ends the general section; in a body a header is read like
// any field, and these hold no keyword, so they only guide the reader. A text ends with
// "[fine]": the last field of a text is never acted on.
namespace header {
inline constexpr std::string_view kGenerale = kGeneraleHeader.text;
inline constexpr std::string_view kCurve = "[curve]";
inline constexpr std::string_view kPendenze = "[pendenze]";
inline constexpr std::string_view kMontagne = "[montagne]";
inline constexpr std::string_view kCartelli = "[cartelli]";
inline constexpr std::string_view kIndicazioni = "[indicazioni]";
inline constexpr std::string_view kAderenze = "[aderenze]";
inline constexpr std::string_view kVelLimite = "[vel_limite]";
inline constexpr std::string_view kStazioni = "[stazioni]";
inline constexpr std::string_view kRallentamenti = "[rallentamenti]";
inline constexpr std::string_view kSegnali = "[segnali]";
inline constexpr std::string_view kAbbattimenti = "[abbattimenti]";
inline constexpr std::string_view kCodici = "[codici]";
inline constexpr std::string_view kFine = "[fine]";
}  // namespace header

// The seven words of the general section that match only as written, in lower case.
inline bool HasExact(std::string_view token, std::string_view word) {
  return token.find(word) != std::string_view::npos;
}

inline bool IsComment(std::string_view token) { return token.find('-') != std::string_view::npos; }

// A header that ends the general section: holds "[" and "]" and, leading blanks
// removed, does not begin with "-".
inline bool IsSectionHeader(std::string_view token) {
  if (token.find('[') == std::string_view::npos || token.find(']') == std::string_view::npos)
    return false;
  size_t i = token.find_first_not_of(" \t");
  return i == std::string_view::npos || token[i] != '-';
}

}  // namespace percorso

#endif  // PERCORSO_COMPILER_KEYWORDS_H_
