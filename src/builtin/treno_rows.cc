// The built-in data of train 55 on Valdoro_Ostrano, 86 lines exactly as they are written.
// Neither the train number nor the line name appears in the content.
#include "builtin/builtin_texts.h"

namespace percorso {
namespace {

constexpr std::string_view kRows[] = {
    "[generale]",
    "numero vetture,    12",
    "percentuale massa frenata,    135",
    "sabbia,    300",
    "orologio,    14              45            20 ",
    "[aderenze]",
    "aderenza,   0,    100",

    // Speed limits in km/h from each position on.
    "[vel_limite]",
    "velocita,   0,    30",
    "velocita,    1350,   145",
    "velocita,    4650,   140",
    "velocita,   17900,   180",
    "velocita,   24300,   140",
    "velocita,   36000,   180",
    "velocita,   40050,   135",
    "velocita,   41100,   175",
    "velocita,   59600,   120",
    "velocita,   81900,   170",
    "velocita,   88850,   160",
    "velocita,   92650,   120",
    "velocita,   95700,    30",

    // Stations and other points: position, type, zone length, fields 4 to 13, scheduled
    // hour, minute and second, name. Types: 2 departure, 12 intermediate station, 5
    // arrival; the unnamed points are the Solverci junction (25), the Ferriera crossover
    // (28) and the Valterno passing loop inside the tunnel (26). Zones lie well over
    // 350 m apart and no stop cell (the zone's last cell) meets another item.
    "[stazioni]",
    "stazione,     200,  2,  500,  0, 0, 0,  1,1,0,  2,4,1,    1,  14,46, 0, VALDORO C.LE",
    "stazione,    3400, 25,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, _",
    "stazione,    6700, 12,  400,  0, 0, 0,  1,1,0,  2,1,1,    0,   0, 0, 0, PIANOSCURO",
    "stazione,   12400, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, MOLVENTA",
    "stazione,   16000, 12,  400,  0, 0, 0,  1,1,0,  2,1,1,    0,   0, 0, 0, ROCCATERSA",
    "stazione,   25550, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, VELMORO - RUSA",
    "stazione,   31250, 12,  500,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, SCALVERA",
    "stazione,   36000, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, _",
    "stazione,   40500, 12,  400,  0, 0, 0,  1,1,0,  2,1,1,    0,   0, 0, 0, ARDENGO",
    "stazione,   49950, 26,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, _",
    "stazione,   61650, 12,  400,  0, 0, 0,  1,1,0,  2,1,1,    0,   0, 0, 0, FORNACCIO",
    "stazione,   66800, 12,  500,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, CAMPOLASCO",
    "stazione,   70900, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, TERMIA",
    "stazione,   81200, 12,  500,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, LUCRA",
    "stazione,   88850, 12,  400,  0, 0, 0,  1,1,0,  2,1,1,    0,   0, 0, 0, SAN VIDORE",
    "stazione,   96900,  5,  500,  0, 0, 0,  1,1,0,  2,1,1,    0,  15,46, 0, OSTRANO C.R.V.",

    // Slowdowns: start, speed, length, f_tt, f_ta, second speed.
    "[rallentamenti]",
    "rallentamento,   26500,    30, 1200, 0,  0,  30",
    "rallentamento,   73450,    60,  950, 1,  0,  60",

    // Signals: position, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo. Up to the Valterno
    // loop every main signal (sx 2) has a distant signal (sx 1) 1350 m before it (1300 or
    // 1400 m in three places): the home signal of the Solverci junction, the home and
    // starting signals of each station and of the loop, and one block signal in each
    // long tunnel. Beyond the tunnel the main signals stand alone. Around the slowdowns
    // the cells before the signals are left free for the protection points.
    "[segnali]",
    "segnale,    1750,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    3100,   2, 3, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    4700,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    6050,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    6200,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    7500,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   10200,   1, 4, 0,  0, 0,    1,  1,0,0, 0",
    "segnale,   11550,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   11800,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   13150,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   13900,   1, 4, 1,  0, 0,    1,  3,1,0, 0",
    "segnale,   15250,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   15400,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   16750,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   19900,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   21250,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   23300,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   24650,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   24800,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   26150,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   29200,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   30550,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   30700,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   32050,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   38250,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   39600,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   39750,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   41050,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   44300,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   45700,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   47200,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   48550,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   48700,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   50050,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   59400,   2, 4, 1,  0, 0,    2,  2,1,0, 220",
    "segnale,   60100,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   66050,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   71600,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   81850,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   88150,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   92850,   2, 4, 1,  0, 0,    0,  0,0,0, 215",
    "segnale,   95700,   2, 3, 1,  1, 0,    0,  0,0,0, 255",
    "[codici]",
    "[fine]",
    kEndMarker,
};

}  // namespace

LineList TrenoRows() { return kRows; }

}  // namespace percorso
