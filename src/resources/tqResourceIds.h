/* Identifiers shared by the resource script and the program: the commands of the menus, the
   shortcuts and the panel's buttons, and the strings of the string table. Plain macros, as
   the resource compiler reads this file too. */
#ifndef QUILLO_RESOURCE_IDS_H
#define QUILLO_RESOURCE_IDS_H

#define CM_EXIT 100
#define CM_OPEN 101
#define CM_FILEINFO 102
#define CM_PLAY 110
#define CM_PAUSE 111
#define CM_STOP 112
#define CM_SEGMENTS 113
#define CM_PREVIOUS 114
#define CM_NEXT 115
#define CM_PANEL 120
#define CM_FULLSCREEN 121
#define CM_HELP 130
#define CM_ABOUT 131

#define IDS_ERROR 1
#define IDS_BADCOMMANDLINE 2
#define IDS_CANNOTOPEN 3
#define IDS_HELPCAPTION 4
#define IDS_FILEINFOCAPTION 5
#define IDS_SEGMENTLINE 6

#endif
