// Resource and control identifiers of the settings dialog, shared by
// dialog_window_win32.rc and the code. Dialog templates use 200-299 so that
// they stay clear of the executable's own resources.
#pragma once

#define IDD_FORM2 200
#define IDD_FORM2_FILES 201
#define IDD_FORM2_DISPLAY 202
#define IDD_FORM2_PASSWORD 203

// Main window (IDOK and IDCANCEL are the OK and Cancel buttons).
#define IDC_SSTAB1 1001
#define IDC_STATUSBAR 1002

// "Image Files"
#define IDC_LIST1 1101
#define IDC_LABEL5_1 1102
#define IDC_TEXT3 1103
#define IDC_LABEL4_0 1104
#define IDC_ADD 1105
#define IDC_REMOVE 1106
#define IDC_REMOVEALL 1107
#define IDC_P_CAPTION 1108
#define IDC_LABEL5_5 1109
#define IDC_CAPTION_CLEAR 1110
#define IDC_FONT 1111
#define IDC_PICTURE2 1112
#define IDC_LABEL4_1 1113
#define IDC_PHOTO1 1114
#define IDC_ADDFOLDER 1115
#define IDC_AUTOCAPTIONLABEL 1116
#define IDC_AUTOCAPTIONCBX 1117
#define IDC_FOLDERS 1118
#define IDC_FOLDERS_LABEL 1119
#define IDC_REMOVEFOLDER 1120

// "Background/Transitions"
#define IDC_FRAME2 1201
#define IDC_COMBO1 1202
#define IDC_BACKCOLORCLICK 1203
#define IDC_PICTURE1 1204
#define IDC_LABEL1_1 1205
#define IDC_PLACEMENT 1206
#define IDC_PCENTER 1207
#define IDC_PRANDOM 1208
#define IDC_PZOOM 1230
#define IDC_SLIDER1 1209
#define IDC_LABEL5_2 1210
#define IDC_FRAME1 1211
#define IDC_ACHANGE 1212
#define IDC_NCHANGE 1213
#define IDC_TEXT2 1214
#define IDC_CHANGEVSCROLL1 1215
#define IDC_LABEL3_5 1216
#define IDC_RANDOM_SELECT 1217
#define IDC_FRAME3 1218
#define IDC_TRANSITIONSCBX 1219
#define IDC_RNDTRANCHECK 1220
#define IDC_PICFITCHECK 1221
#define IDC_ALLMONITORSCHECK 1222
#define IDC_SHUFFLECHECK 1223

// "Password Protection"
#define IDC_PASSWORD_ENABLED 1301
#define IDC_LABEL2 1302
#define IDC_SS_PASSWORD 1303
#define IDC_LABEL6 1304
#define IDC_SS_CONFIRM 1305
