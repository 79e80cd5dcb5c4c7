/* The program's title and version: read by the version record and by the about window. */
#ifndef KELVR_VERSION_H
#define KELVR_VERSION_H

#define KELVR_TITLE "Kelvr"
#define KELVR_MAJOR 9
#define KELVR_MINOR 1
#define KELVR_REVISION 23
#define KELVR_VERSION_TEXT "9.01.0023"
/* "9.1.23": the three numbers as the about window shows them. */
#define KELVR_NUMBER_TEXT_(n) #n
#define KELVR_NUMBER_TEXT(n) KELVR_NUMBER_TEXT_(n)
#define KELVR_VERSION_NUMBERS      \
    KELVR_NUMBER_TEXT(KELVR_MAJOR) \
    "." KELVR_NUMBER_TEXT(KELVR_MINOR) "." KELVR_NUMBER_TEXT(KELVR_REVISION)
#define KELVR_DESCRIPTION "Visualizza lo spazio totale e disponibile dei Drive installati"
#define KELVR_COMPANY "QIRVO sas"
#endif
