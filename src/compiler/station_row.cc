// The station row of the train data text: a station or timing point takes the next
// station slot of the line table, its zone is worked out from its type, its stop cell
// goes on the zone's last cell with approach marks before it, and its zone must keep
// its distance from the previous station's.
#include <cstdint>
#include <optional>
#include <string>

#include "compiler/field_reader.h"
#include "compiler/loader_parts.h"
#include "compiler/station_zone.h"
#include "model/error_numbers.h"
#include "model/items.h"

namespace percorso::loader_parts {

namespace {

// Types from this one on are timing points: no stop cell and no approach marks.
constexpr int32_t kFirstTimingPointType = 25;
// The least distance between a zone's start and the previous zone's end.
constexpr int64_t kLeastZoneGap = 350;

}  // namespace

Flow StationRows::Load(const TextField& tok) {
  const int32_t station_slot = load_.next_station_slot;
  LineRecord& slot = load_.state.line_table.slot[station_slot];
  StationRow row;
  if (Flow f = ReadStation(slot, &row); f != Flow::kGo) return f;
  if (load_.state.station_rows != nullptr) {
    load_.state.station_rows->push_back(
        {station_slot, load_.origin, row.posizione.line, row.posizione.column});
  }
  StationZone zone;
  if (Flow f = ComputeStationZone(slot, row, &zone); f != Flow::kGo) return f;
  if (row.length < kShortestZoneWithOption5) slot.opzione5 = 0;
  if (station_slot == 1) {
    slot.opzione4 = 0;
    slot.opzione5 = 0;
  }
  if (row.tipo < kFirstTimingPointType) {
    if (row.tipo != 5 && row.tipo != 6) MarkStationApproach(zone.last);
    if (Flow f = PlaceStationStop(row, zone); f != Flow::kGo) return f;
  }
  return CheckStationSpacing(tok, row, zone);
}

// Reads the row's 17 fields into the slot; the position must stand on a cell start and
// the zone length be a multiple of 100 m.
Flow StationRows::ReadStation(LineRecord& slot, StationRow* row) {
  static constexpr const char* kRow = "stazione";
  NumberField& p = row->posizione;
  if (!load_.ReadOne(kRow, {kI32, "position (field 1)"}, &p)) return Flow::kStop;
  slot.posizione = p.value;
  if (!load_.InRange(p.value, kStationEndMarginMetres))
    return load_.RefuseOutOfRange(kRow, p, kStationEndMarginMetres);
  if (p.value % kCellMetres != 0) {
    return load_.Fail(err::kStationOffCell, p.value, AtField(p),
                      "station position " + std::to_string(p.value) + " m is not a multiple of 50");
  }
  if (load_.watch) load_.watch->CheckStationRow(p);
  static constexpr FieldShape kTypeAndLength[] = {{kU8, "type (field 2)"},
                                                  {kI32, "zone length (field 3)"}};
  NumberField type_and_length[2];
  if (!load_.ReadRow(kRow, kTypeAndLength, type_and_length)) return Flow::kStop;
  row->tipo = type_and_length[0].value;
  row->length = type_and_length[1].value;
  row->zone_length = type_and_length[1];
  slot.tipo = static_cast<uint8_t>(row->tipo);
  if (row->length % 100 != 0) {
    return load_.Fail(
        err::kZoneLengthOff100, p.value, AtField(type_and_length[1]),
        "station zone length " + std::to_string(row->length) + " m is not a multiple of 100");
  }
  static constexpr FieldShape kRest[] = {{kU8, "field 4"},
                                         {kU8, "field 5"},
                                         {kU8, "field 6"},
                                         {kI16, "field 7"},
                                         {kI16, "field 8"},
                                         {kU8, "field 9"},
                                         {kI16, "field 10"},
                                         {kI16, "field 11"},
                                         {kI16, "field 12"},
                                         {kU8, "field 13"},
                                         {kI32, "hours (field 14)"},
                                         {kI32, "minutes (field 15)"},
                                         {kI32, "seconds (field 16)"}};
  NumberField rest[13];
  TextField name;
  if (!load_.ReadRow(kRow, kRest, rest)) return Flow::kStop;
  if (!load_.ReadName(kRow, "name (field 17)", &name)) return Flow::kStop;
  if (load_.watch) load_.watch->CheckStationTime(p, {rest[10], rest[11], rest[12]});
  slot.opzione1 = static_cast<uint8_t>(rest[0].value);
  slot.opzione5 = static_cast<uint8_t>(rest[1].value);
  slot.opzione4 = static_cast<uint8_t>(rest[2].value);
  slot.valore1 = static_cast<int16_t>(rest[3].value);
  slot.valore2 = static_cast<int16_t>(rest[4].value);
  slot.opzione2 = static_cast<uint8_t>(rest[5].value);
  slot.valore3 = static_cast<int16_t>(rest[6].value);
  slot.valore4 = static_cast<int16_t>(rest[7].value);
  slot.valore5 = static_cast<int16_t>(rest[8].value);
  slot.opzione3 = static_cast<uint8_t>(rest[9].value);
  slot.nome = std::string(name.text);
  const int64_t orario =
      int64_t{rest[10].value} * 3600 + int64_t{rest[11].value} * 60 + int64_t{rest[12].value};
  if (orario < INT32_MIN || orario > INT32_MAX) {
    return load_.FailNotLoaded(AtField(rest[10]),
                               "scheduled time of a \"stazione\" row: " + std::to_string(orario) +
                                   " s does not fit a 32-bit field");
  }
  slot.orario = static_cast<int32_t>(orario);
  return Flow::kGo;
}

// The zone by the station's type (StationZoneOf), stored in the slot; a zone whose last
// cell lies beyond the grid ends the text.
Flow StationRows::ComputeStationZone(LineRecord& slot, const StationRow& row, StationZone* zone) {
  if (ZoneClearsSixthField(row.tipo)) slot.opzione4 = 0;
  const auto [start, end] =
      StationZoneOf(row.tipo, row.posizione.value, row.length, slot.opzione4 != 0);
  if (start < INT32_MIN || start > INT32_MAX || end < INT32_MIN || end > INT32_MAX) {
    return load_.FailNotLoaded(AtField(row.zone_length),
                               "station zone of a \"stazione\" row: " + std::to_string(start) +
                                   " to " + std::to_string(end) + " m does not fit a 32-bit field");
  }
  slot.inizio = static_cast<int32_t>(start);
  slot.fine = static_cast<int32_t>(end);
  const int64_t last = end / kCellMetres - 1;  // end is a multiple of 50
  *zone = {start, end, last};
  if (row.tipo < kFirstTimingPointType && last > load_.last_cell) {
    load_.Record(err::kPositionOutOfRange, row.posizione.value, load_.origin,
                 AtField(row.posizione),
                 "station zone ends at " + std::to_string(end) + " m: its last cell " +
                     std::to_string(last) + " lies beyond the grid's last cell " +
                     std::to_string(load_.last_cell));
    // `end` fits 32 bits (checked above), so does its last cell.
    load_.state.errors.log.back().cell = static_cast<int32_t>(last);
    return Flow::kLeave;
  }
  return Flow::kGo;
}

// The four cells before the stop cell warn of it (81 nearest to 84 farthest); cells 0
// and 1 are never marked.
void StationRows::MarkStationApproach(int64_t last) {
  for (int i = 1; i <= 4; ++i) {
    const int64_t c = last - i;
    if (c > 1) load_.state.grid.at(c).preavviso = static_cast<uint8_t>(80 + i);
  }
}

// The stop cell: the zone's last cell holds the station's slot number.
Flow StationRows::PlaceStationStop(const StationRow& row, const StationZone& zone) {
  if (zone.last <= 1) {
    return load_.Fail(err::kZoneInFirstCells, std::nullopt, AtField(row.zone_length),
                      "station zone ends at " + std::to_string(zone.end) +
                          " m, within the first 100 m of the line");
  }
  TrackCell& stop = load_.state.grid.at(zone.last);
  load_.NotePlaced(zone.last, row.posizione);
  stop.tipo = TipoOf(ItemType::kStationStop);
  stop.dato1 = static_cast<int16_t>(load_.next_station_slot);
  return Flow::kGo;
}

// A zone starts at least 350 m after the previous one ends; stations and boards share
// the 78 slots from either end.
Flow StationRows::CheckStationSpacing(const TextField& tok, const StationRow& row,
                                      const StationZone& zone) {
  int32_t& slot = load_.next_station_slot;
  const LineTable& table = load_.state.line_table;
  if (slot > 1 && zone.start - kLeastZoneGap < table.slot[slot - 1].fine) {
    return load_.Fail(err::kZonesTooClose, row.posizione.value, AtField(row.posizione),
                      "station zone starts at " + std::to_string(zone.start) +
                          " m, less than 350 m after the previous zone's end at " +
                          std::to_string(table.slot[slot - 1].fine) + " m");
  }
  ++slot;
  if (slot >= load_.next_board_slot) {
    return load_.Fail(err::kSlotsExhausted, std::nullopt, AtField(tok),
                      "stations and indicator boards together need more than 78 line-table slots");
  }
  return Flow::kGo;
}

}  // namespace percorso::loader_parts
