// The train sheet of train 55: a boxed page with the train's data and the table of the
// places along the route, 54 lines of 0 to 83 characters. Table lines have their bars in
// columns 2, 8, 14, 25, 31, 60, 77 and 83. Chainages are the line's own (96.900 km at
// Valdoro, 0 at Ostrano), so every station carries 96.900 less its position in the train
// data, except the departure row, which prints 96.900, the chainage of the line's start,
// for the station at 200 m. Speeds stand on the row of the place where the new limit
// begins. Two neighbouring rows are out of chainage order (46.850 before 46.950, 35.250
// before 36.800).
#include "builtin/crew_documents.h"

namespace percorso {
namespace {

constexpr std::string_view kRows[] = {
    // Header bands: train, route, speed category, braked mass, classification.
    "",
    "",
    "  ___________________                                               ______________",
    " |                   |                       SCHEDA                |              |",
    " |   TRENO n.  55    |                   da: VALDORO C.LE          |    V 200 C   |",
    " |___________________|                    a: OSTRANO CRV           |      135%    |",
    "                                                                   |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |         EC        |              |      700T         |",
    " |___________________|              |___________________|",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    // The route table, in the direction of travel.
    " |  70 |     |   96.900 |     |VALDORO C.LE                |14.46           |     |",
    " | 145 |     |   95.550 |     | deviatoio uscita           |                |     |",
    " | 140 |     |   92.200 |     | p 101                      |                |     |",
    " |     |     |   90.200 |     |PIANOSCURO                  |      14.53     |     |",
    " |     |     |   85.100 |     | P 107                      |                |     |",
    " |     |     |   84.500 |     |MOLVENTA                    |      14.56     |     |",
    " |     |     |   80.900 |     |ROCCATERSA                  |      14.58     |     |",
    " | 180 |     |   79.000 |     | KM 79+000                  |                |     |",
    " | 140 |     |   72.600 |     | usc. gall. Calviera        |                |     |",
    " |     |     |   71.350 |     |VELMORO - RUSA              |      15.02     |     |",
    " |     |     |   65.650 |     |SCALVERA                    |      15.09     |     |",
    " | 180 |     |   60.900 |     | p.c. Ferriera              |      15.11     |     |",
    " | 135 |     |          |     | dev. I.                    |                |     |",
    " |     |     |   56.400 |     |ARDENGO                     |      15.13     |     |",
    " | 175 |     |   55.750 |     | imb. gall. Valterno        |                |     |",
    " |     |     |   46.850 |     | p 131                      |                |     |",
    " |     |     |   46.950 |     | p.m. Valterno              |      15.17     |     |",
    " |     |     |   37.750 |     | usc. gall. Valterno        |                |     |",
    " |     |     |   37.500 |     | P 139                      |                |     |",
    " | 120 |     |   37.300 |     | KM 37+300                  |                |     |",
    " |     |     |   35.250 |     |FORNACCIO                   |      15.23     |     |",
    " |     |     |   36.800 |     | P 141                      |                |     |",
    " |     |     |   30.850 |     | P 145                      |                |     |",
    " |     |     |   30.100 |     |CAMPOLASCO                  |      15.26     |     |",
    " |     |     |          |     |BAGNI                       |                |     |",
    " |     |     |   26.000 |     |TERMIA                      |      15.28     |     |",
    " |     |     |   25.300 |     | p 151                      |                |     |",
    " |     |     |   15.700 |     |LUCRA                       |      15.35     |     |",
    " | 170 |     |   15.050 |     | p 163                      |                |     |",
    " |     |     |    8.750 |     | P 171                      |                |     |",
    " | 160 |     |    8.050 |     |SAN VIDORE                  |      15.39     |     |",
    " |     |     |          |     |SCALO                       |                |     |",
    " | 120 |     |    4.050 |     | P 181                      |                |     |",
    " |     |     |    1.200 |     | P 185                      |                |     |",
    " |     |     |    0.650 |     | deviatoio ingresso         |                |     |",
    " |  30 |     |        0 |     |OSTRANO C.R.V.              |           15.46|     |",
    // Closing rule.
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    "",
    kEndMarker,
};

}  // namespace

LineList SchedaRows() { return kRows; }

}  // namespace percorso
