// The error numbers a compile can end with, by name. Their meanings, as the author reads
// them, stand in model/error_meanings.cc.
#ifndef PERCORSO_MODEL_ERROR_NUMBERS_H_
#define PERCORSO_MODEL_ERROR_NUMBERS_H_

#include <cstdint>

namespace percorso::err {

inline constexpr int32_t kLineTooLong = 1;
inline constexpr int32_t kChainageOffCell = 2;
inline constexpr int32_t kRepetitionStartOffCell = 3;
inline constexpr int32_t kRepetitionEndOffCell = 4;
inline constexpr int32_t kRepetitionCodeCount = 5;
inline constexpr int32_t kBoardCellTaken = 6;
inline constexpr int32_t kAbbattimentoCellTaken = 7;
inline constexpr int32_t kStationOffCell = 8;
inline constexpr int32_t kZoneLengthOff100 = 9;
inline constexpr int32_t kSlotsExhausted = 10;
inline constexpr int32_t kNoPointBeforeSignal = 11;
inline constexpr int32_t kNoPointBeforeSlowdown = 12;
inline constexpr int32_t kNoPointInsideSlowdown = 13;
inline constexpr int32_t kPositionOutOfRange = 15;
inline constexpr int32_t kSignalCellTaken = 16;
inline constexpr int32_t kWarningCellTaken = 17;
inline constexpr int32_t kSlowdownStartTaken = 18;
inline constexpr int32_t kSlowdownEndTaken = 19;
inline constexpr int32_t kApproachCellTaken = 20;
inline constexpr int32_t kSpeedBoardCellTaken = 21;
inline constexpr int32_t kZonesTooClose = 22;
inline constexpr int32_t kZoneInFirstCells = 24;
inline constexpr int32_t kNotLoaded = 25;
inline constexpr int32_t kNoLineText = 101;
inline constexpr int32_t kNoGenerale = 102;
inline constexpr int32_t kBadCurve = 103;
inline constexpr int32_t kReservedPlaceOne = 1250;
inline constexpr int32_t kReservedPlaceTwo = 1251;

}  // namespace percorso::err

#endif  // PERCORSO_MODEL_ERROR_NUMBERS_H_
