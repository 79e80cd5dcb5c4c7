/* The program's title and version: read by the version record and by the about window. */
#ifndef KELVR_VERSION_H
#define KELVR_VERSION_H

#define KELVR_TITLE "Kelvr"
#define KELVR_MAJOR 9
#define KELVR_MINOR 1
#define KELVR_REVISION 23
#define KELVR_VERSION_TEXT "9.01.0023"
#define KELVR_DESCRIPTION "Visualizza lo spazio totale e disponibile dei Drive installati"
#define KELVR_COMPANY "QIRVO sas"
#endif
