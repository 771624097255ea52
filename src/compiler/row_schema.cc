#include "compiler/row_schema.h"

#include <algorithm>
#include <string>

#include "compiler/keywords.h"

namespace percorso {

namespace {

using W = NumberWidth;
constexpr FieldKind kNum = FieldKind::kNumber;
constexpr FieldKind kTxt = FieldKind::kText;

// --- general section of the line description ---
constexpr std::string_view kLunghezzaWords[] = {"lunghezza", "percorso"};
constexpr FieldSchema kLunghezza[] = {
    {"lunghezza", kNum, W::kInt32, "m", "line length; the grid runs 7000 m beyond it; at most 1000000 (error 1)"},
};
constexpr FieldSchema kProgressiva[] = {
    {"inizio", kNum, W::kInt32, "m", "start of the span the chainage reference covers, a multiple of 50 (error 2)"},
    {"fine", kNum, W::kInt32, "m", "end of the span, a multiple of 50 (error 2)"},
    {"valore", kNum, W::kInt32, "", "a value stored with the reference for the simulator"},
};
constexpr std::string_view kProgressivaTre[] = {"progressiva", "tre"};
constexpr std::string_view kProgressivaDue[] = {"progressiva", "due"};
constexpr std::string_view kProgressivaUno[] = {"progressiva", "uno"};
constexpr FieldSchema kSfondo[] = {
    {"valore", kNum, W::kInt32, "", "background setting, stored for the simulator"},
};
constexpr std::string_view kSfondoUno[] = {"sfondo", "uno"};
constexpr std::string_view kSfondoDue[] = {"sfondo", "due"};
constexpr std::string_view kSfondoTre[] = {"sfondo", "tre"};
constexpr std::string_view kRipetizioneWords[] = {"segnali", "ripetizione"};
constexpr FieldSchema kRipetizione[] = {
    {"inizio", kNum, W::kInt32, "m", "start of the span with signal repetition, a multiple of 50 (error 3)"},
    {"fine", kNum, W::kInt32, "m", "end of the span, a multiple of 50 (error 4); 0 means no repetition"},
};

// --- body of the line description ---
constexpr std::string_view kPendenzaWords[] = {"pendenza"};
constexpr FieldSchema kPendenza[] = {
    {"posizione", kNum, W::kInt32, "m", "where the gradient comes into force", CellRule::kRounded},
    {"pendenza", kNum, W::kInt32, "per mille", "gradient, signed; stored as gradient + 100 in one byte, so keep it within -100 to 155"},
};
constexpr std::string_view kCurvaWords[] = {"curva"};
constexpr FieldSchema kCurva[] = {
    {"inizio", kNum, W::kInt32, "m", "where the curve starts", CellRule::kRounded},
    {"lunghezza", kNum, W::kInt32, "m", "length of the curve"},
};
constexpr std::string_view kMontagnaWords[] = {"montagna"};
constexpr FieldSchema kMontagna[] = {
    {"inizio", kNum, W::kInt32, "m", "start of the mountain span", CellRule::kRounded},
    {"fine", kNum, W::kInt32, "m", "end of the mountain span"},
    {"tipo", kNum, W::kInt32, "", "span type; above 10: type - 10 with a marker every 200 m"},
};
constexpr std::string_view kIndicatoriWords[] = {"indicatori_v"};
constexpr FieldSchema kIndicatori[] = {
    {"posizione", kNum, W::kInt32, "m", "where the pair of boards stands; its cell must be free (error 21)", CellRule::kItem},
    {"vas", kNum, W::kInt32, "km/h", "first speed of the first side (empty: no board)"},
    {"vbs", kNum, W::kInt32, "km/h", "second speed of the first side"},
    {"vcs", kNum, W::kInt32, "km/h", "third speed of the first side"},
    {"strisces", kNum, W::kInt32, "", "stripe count of the first side"},
    {"vad", kNum, W::kInt32, "km/h", "first speed of the second side (empty: no board)"},
    {"vbd", kNum, W::kInt32, "km/h", "second speed of the second side"},
    {"vcd", kNum, W::kInt32, "km/h", "third speed of the second side"},
    {"strisced", kNum, W::kInt32, "", "stripe count of the second side"},
};
constexpr std::string_view kCartelloWords[] = {"cartello", "indicat"};
constexpr FieldSchema kCartello[] = {
    {"posizione", kNum, W::kInt32, "m", "where the board stands; its cell must be free (error 6)", CellRule::kItem},
    {"testo", kTxt, W::kInt32, "", "the board's panels, each in parentheses, e.g. (  BIVIO  )( SOLVERCI)"},
};

// --- body of the train data ---
constexpr std::string_view kFrenataWords[] = {"frenata", "massa"};
constexpr FieldSchema kFrenata[] = {
    {"percentuale", kNum, W::kInt32, "%", "braked-mass percentage"},
};
constexpr std::string_view kVettureWords[] = {"vetture"};
constexpr FieldSchema kVetture[] = {
    {"vetture", kNum, W::kInt32, "", "number of cars"},
};
constexpr std::string_view kVelocitaWords[] = {"velocit"};
constexpr FieldSchema kVelocita[] = {
    {"posizione", kNum, W::kInt32, "m", "where the speed limit comes into force", CellRule::kRounded},
    {"velocita", kNum, W::kInt32, "km/h", "speed limit, stored in steps of 5 km/h: 0 to 1275 (error 25 beyond)"},
};
constexpr std::string_view kAderenzaWords[] = {"aderenza"};
constexpr FieldSchema kAderenza[] = {
    {"posizione", kNum, W::kInt32, "m", "where the adhesion value comes into force", CellRule::kRounded},
    {"aderenza", kNum, W::kInt32, "", "adhesion value, stored in one byte: keep it within 0 to 255"},
};
constexpr std::string_view kOrologioWords[] = {"orologio"};
constexpr FieldSchema kOrologio[] = {
    {"ore", kNum, W::kInt16, "h", "hours of the clock at the start of the run"},
    {"minuti", kNum, W::kInt16, "min", "minutes"},
    {"secondi", kNum, W::kInt16, "s", "seconds"},
};
constexpr std::string_view kSabbiaWords[] = {"sabbia"};
constexpr FieldSchema kSabbia[] = {
    {"sabbia", kNum, W::kInt16, "", "sand quantity"},
};
constexpr std::string_view kSegnaleWords[] = {"segnale"};
constexpr FieldSchema kSegnale[] = {
    {"posizione", kNum, W::kInt32, "m", "where the signal stands; its cell must be free (error 16)", CellRule::kItem},
    {"sx", kNum, W::kInt32, "", "signal kind (the exported signals use 1 or 2)"},
    {"s1", kNum, W::kInt32, "", "stored for the simulator"},
    {"s2", kNum, W::kInt32, "", "stored for the simulator"},
    {"s3", kNum, W::kInt32, "", "stored for the simulator"},
    {"rapp", kNum, W::kInt32, "", "stored for the simulator"},
    {"dx", kNum, W::kInt32, "", "stored for the simulator"},
    {"d1", kNum, W::kInt32, "", "stored for the simulator"},
    {"d2", kNum, W::kInt32, "", "stored for the simulator"},
    {"d3", kNum, W::kInt32, "", "stored for the simulator"},
    {"tempo", kNum, W::kInt32, "", "kept only when sx is 2; 1 to 100 becomes 101"},
};
constexpr std::string_view kRallentamentoWords[] = {"rallentamento"};
constexpr FieldSchema kRallentamento[] = {
    {"x", kNum, W::kInt32, "m", "where the slowdown starts; its warning, start and end cells must be free (errors 17 to 19)", CellRule::kItem},
    {"v", kNum, W::kInt32, "km/h", "speed of the slowdown"},
    {"l", kNum, W::kInt32, "m", "length of the slowdown"},
    {"f_tt", kNum, W::kInt32, "", "0 or 1, stored with the start and end cells"},
    {"f_ta", kNum, W::kInt32, "", "1: four approach cells before the warning cell (error 20)"},
    {"d_v", kNum, W::kInt32, "km/h", "second speed, 0 for none"},
};
constexpr std::string_view kAbbattimentoWords[] = {"abbattimento"};
constexpr FieldSchema kAbbattimento[] = {
    {"posizione", kNum, W::kInt32, "m", "the cell that begins here takes the point; it must be free (error 7)", CellRule::kRounded},
    {"valore", kNum, W::kInt32, "", "a value above 0 is stored with the point"},
};
constexpr std::string_view kStazioneWords[] = {"stazione"};
constexpr FieldSchema kStazione[] = {
    {"posizione", kNum, W::kInt32, "m", "position of the station, a multiple of 50 (error 8)", CellRule::kRounded, true},
    {"tipo", kNum, W::kByte, "", "2 first station, 12 intermediate, 5 last; 5 and 6 end the zone 150 m after the position, 7 and 8 reach the length on both sides; 25 and up are timing points without a stop cell"},
    {"lunghezza", kNum, W::kInt32, "m", "length of the station zone, a multiple of 100 (error 9)"},
    {"opzione1", kNum, W::kByte, "", "stored for the simulator"},
    {"opzione5", kNum, W::kByte, "", "stored; cleared when the zone is shorter than 600 m and for the first station"},
    {"opzione4", kNum, W::kByte, "", "not 0: the zone ends 50 m further (not for types 5 to 8, not for the first station)"},
    {"valore1", kNum, W::kInt16, "", "stored for the simulator"},
    {"valore2", kNum, W::kInt16, "", "stored for the simulator"},
    {"opzione2", kNum, W::kByte, "", "stored for the simulator"},
    {"valore3", kNum, W::kInt16, "", "stored for the simulator"},
    {"valore4", kNum, W::kInt16, "", "stored for the simulator"},
    {"valore5", kNum, W::kInt16, "", "stored for the simulator"},
    {"opzione3", kNum, W::kByte, "", "stored for the simulator"},
    {"ore", kNum, W::kInt32, "h", "hours of the scheduled time"},
    {"minuti", kNum, W::kInt32, "min", "minutes of the scheduled time"},
    {"secondi", kNum, W::kInt32, "s", "seconds of the scheduled time"},
    {"nome", kTxt, W::kInt32, "", "name up to the end of the line (no comma); _ for a point without a name"},
};

constexpr TextKind L = TextKind::kLinea;
constexpr TextKind T = TextKind::kTreno;
constexpr Section G = Section::kGeneral;
constexpr Section B = Section::kBody;

// In the order the loader tests the keywords.
const RowSchema kRows[] = {
    {L, G, keyword::kLunghezzaPercorso, kLunghezzaWords, false, RowRole::kPlain, kLunghezza, "the line length, from which the cell grid is sized (required)"},
    {L, G, keyword::kProgressivaTre, kProgressivaTre, true, RowRole::kPlain, kProgressiva, "the third chainage reference"},
    {L, G, keyword::kProgressivaDue, kProgressivaDue, true, RowRole::kPlain, kProgressiva, "the second chainage reference"},
    {L, G, keyword::kProgressivaUno, kProgressivaUno, true, RowRole::kPlain, kProgressiva, "the first chainage reference"},
    {L, G, keyword::kSfondoUno, kSfondoUno, true, RowRole::kPlain, kSfondo, "background setting one"},
    {L, G, keyword::kSfondoDue, kSfondoDue, true, RowRole::kPlain, kSfondo, "background setting two"},
    {L, G, keyword::kSfondoTre, kSfondoTre, true, RowRole::kPlain, kSfondo, "background setting three"},
    {L, G, keyword::kRipetizione4Codici, kRipetizioneWords, true, RowRole::kPlain, kRipetizione, "the span with signal repetition; the keyword gives 4 or 9 codes (error 5 without either)"},
    {L, B, keyword::kPendenza, kPendenzaWords, false, RowRole::kPlain, kPendenza, "a gradient in force from the cell of the position onwards"},
    {L, B, "curvad4", kCurvaWords, false, RowRole::kCurve, kCurva, "a curve of the plan; the first digit 1 to 6 of the keyword gives the radius (10000, 5000, 2500, 1000, 500, 333 m; error 103 without one), an s turns it the other way"},
    {L, B, keyword::kMontagna, kMontagnaWords, false, RowRole::kPlain, kMontagna, "a mountain span"},
    {L, B, keyword::kIndicatoriVmax, kIndicatoriWords, false, RowRole::kSpeedBoards, kIndicatori, "a pair of maximum-speed boards"},
    {L, B, keyword::kCartelloIndicatore, kCartelloWords, false, RowRole::kIndicatorBoard, kCartello, "an indicator board and its text; with the stations at most 78 (error 10)"},
    {T, B, keyword::kPercentualeMassaFrenata, kFrenataWords, false, RowRole::kPlain, kFrenata, "the braked-mass percentage of the train"},
    {T, B, keyword::kNumeroVetture, kVettureWords, false, RowRole::kPlain, kVetture, "the number of cars of the train"},
    {T, B, keyword::kVelocita, kVelocitaWords, false, RowRole::kPlain, kVelocita, "a speed limit in force from the cell of the position onwards"},
    {T, B, keyword::kAderenza, kAderenzaWords, false, RowRole::kPlain, kAderenza, "an adhesion value in force from the cell of the position onwards"},
    {T, B, keyword::kOrologio, kOrologioWords, false, RowRole::kPlain, kOrologio, "the clock time at the start of the run"},
    {T, B, keyword::kSabbia, kSabbiaWords, false, RowRole::kPlain, kSabbia, "the sand quantity"},
    {T, B, keyword::kSegnale, kSegnaleWords, false, RowRole::kSignal, kSegnale, "a signal, with approach marks 100 to 400 m before it"},
    {T, B, keyword::kRallentamento, kRallentamentoWords, false, RowRole::kSlowdown, kRallentamento, "a slowdown; a warning cell 1200 m before its start when it starts beyond 1500 m"},
    {T, B, keyword::kAbbattimento, kAbbattimentoWords, false, RowRole::kPlain, kAbbattimento, "an abbattimento point"},
    {T, B, keyword::kStazione, kStazioneWords, false, RowRole::kStation, kStazione, "a station or timing point; zones must rise, each at least 350 m after the previous one (error 22)"},
};

// The token with its letters folded as the loader folds them.
std::string Fold(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = FoldAscii(c);
  return out;
}

}  // namespace

std::span<const RowSchema> RowSchemas() { return kRows; }

const RowSchema* MatchRow(TextKind text, Section section, std::string_view token) {
  if (section == Section::kPreamble) return nullptr;
  const std::string folded = Fold(token);
  for (const RowSchema& r : kRows) {
    if (r.text != text || r.section != section) continue;
    const std::string_view hay = r.exact_case ? token : std::string_view(folded);
    if (std::all_of(r.words.begin(), r.words.end(),
                    [&](std::string_view w) { return hay.find(w) != std::string_view::npos; }))
      return &r;
  }
  return nullptr;
}

std::string_view RoleName(RowRole role) {
  switch (role) {
    case RowRole::kStation: return "station";
    case RowRole::kSignal: return "signal";
    case RowRole::kSlowdown: return "slowdown";
    case RowRole::kSpeedBoards: return "speed boards";
    case RowRole::kCurve: return "curve";
    case RowRole::kIndicatorBoard: return "indicator board";
    case RowRole::kPlain: break;
  }
  return "row";
}

}  // namespace percorso
