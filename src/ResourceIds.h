/* Numbers of the resources that the windows ask for by number. */
#ifndef KELVR_RESOURCEIDS_H
#define KELVR_RESOURCEIDS_H

#define IDI_KELVR 1   /* the program's pie chart, 48 x 48 */
#define IDI_ABOUT 2   /* the about window's question mark */
#define IDI_QIRVO 3   /* the maker window's hand */
#define IDI_PICTURE 4 /* the about window's picture: the pie chart at 32 x 32 */
#endif
