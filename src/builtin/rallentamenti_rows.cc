// The slowdown order for train 55: a form of 46 lines. Table lines are 82 characters with
// their bars in columns 2, 6, 35, 48, 59, 69 and 82; the two slowdowns of the train data
// fill the first two rows, the other 24 are left blank for the crew.
#include "builtin/crew_documents.h"

namespace percorso {
namespace {

constexpr std::string_view kRows[] = {
    "",
    "                               Modulo M. 3",
    "                           ORDINE DI RALLENTAMENTO",
    " ________________________________________________________________________________",
    "  Linea  VALDORO C.LE - OSTRANO C.R.V.",
    "",
    "  Si ordina al macchinista del treno   55 di effettura i seguenti rallentamenti",
    "  _______________________________________________________________________________",
    " |   |                            |Inizio dopo |          |         |            |",
    " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
    " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
    " |___|____________________________|____________|__________|_________|____________|",
    // The two slowdowns, then the blank rows of the form.
    " | 1 | VELMORO RUSA - SCALVERA    |   71.000   |     30   |   1.200 |            |",
    " | 2 | TERMIA  -  LUCRA           |   24.000   |     60   |     950 |      A     |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |___|____________________________|____________|__________|_________|____________|",
    "",
    // Key to the specific prescriptions, in the order of the printed form (D before C).
    "              Prescrizioni specifiche",
    " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
    " B - Interessa anche la stazione di.......",
    " D - Rallentamneto N. ... e N. ...  sono contigui",
    " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
    "     i giorni esclusi i seguenti:.........",
    kEndMarker,
};

}  // namespace

LineList RallentamentiRows() { return kRows; }

}  // namespace percorso
