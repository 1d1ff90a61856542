// Numbers of the program's resources and of their controls and commands,
// shared by resources/sketchhaven.rc and the window classes. Plain macros,
// since the resource compiler reads this file too.
#pragma once

// ---- Templates, menu, icon ---------------------------------------------------
#define IDD_MAIN 101
#define IDM_MAIN 102
#define IDI_PROGRAM 103
#define IDD_ABOUT 104
#define IDD_BROWSER 105
#define IDD_DESIGN 106
#define IDD_PLAYBACK 107
#define IDD_PRESET_EDITOR 108
#define IDD_SAVE 115
#define IDD_JPEG_PREVIEW 120
#define IDD_THUMBNAIL 121
#define IDD_CHOOSER_PREVIEW 122

// ---- String table ------------------------------------------------------------
#define IDS_PICTURE_FILTER 2
#define IDS_SAVE_HELP 3

// ---- Main window (101) ------------------------------------------------------------
#define IDC_MAIN_APPLET 1003
#define IDC_MAIN_APPLET_WIDTH 1004
#define IDC_MAIN_APPLET_HEIGHT 1005
#define IDC_MAIN_IMAGE_WIDTH 1006
#define IDC_MAIN_IMAGE_HEIGHT 1007
#define IDC_MAIN_ANIMATION 1013
#define IDC_MAIN_LAYERS 1020
#define IDC_MAIN_UNDO 1021
#define IDC_MAIN_UNDO_GROUP 1022
#define IDC_MAIN_LOAD_PATH 1023
#define IDC_MAIN_LOAD_BROWSE 1024
#define IDC_MAIN_PALETTE 1025
#define IDC_MAIN_LOAD_CLEAR 1026
#define IDC_MAIN_DRAW 1027
#define IDC_MAIN_QUALITY 1028
#define IDC_MAIN_LAYERS_SPIN 1049
#define IDC_MAIN_IMAGE_WIDTH_SPIN 1050
#define IDC_MAIN_IMAGE_HEIGHT_SPIN 1051
#define IDC_MAIN_PRESETS 1052
#define IDC_MAIN_UNDO_SPIN 1053
#define IDC_MAIN_UNDO_GROUP_SPIN 1054
#define IDC_MAIN_APPLET_AUTO 1100
#define IDC_MAIN_APPLET_WHOLE 1101
#define IDC_MAIN_BUILTIN_PAINTER 1140
#define IDC_MAIN_PAINTER_NAME 1141

// ---- Menu commands ---------------------------------------------------------------
#define IDM_EXIT 40001
#define IDM_HELP 40002
#define IDM_ABOUT 40003
#define IDM_PLAYBACK 40004
#define IDM_DESIGN 40006
#define IDM_BROWSER 40007
#define IDM_OVERWRITE_QUESTION 40009
#define IDM_HOME_PAGE 40010
#define IDM_GALLERY 40011
#define IDM_PRESET_EDIT 40100
#define IDM_PRESET_FIRST 40101
#define IDM_PRESET_LAST 40130

// ---- Browser dialog (105) ----------------------------------------------------------
#define IDC_BROWSER_STANDARD 1029
#define IDC_BROWSER_GIVEN 1030
#define IDC_BROWSER_PATH 1031
#define IDC_BROWSER_BROWSE 1032

// ---- Design dialog (106) -----------------------------------------------------------
#define IDC_DESIGN_SCROLL_SIZE 1033
#define IDC_DESIGN_COLOURS 1034
#define IDC_DESIGN_SET_COLOUR 1039
#define IDC_DESIGN_DEFAULT 1044
#define IDC_DESIGN_ALL_DEFAULT 1045
#define IDC_DESIGN_CURSOR 1046

// ---- Playback dialog (107) ----------------------------------------------------------
#define IDC_PLAYBACK_WIDTH 1047
#define IDC_PLAYBACK_HEIGHT 1048
#define IDC_PLAYBACK_LAYERS 1049
#define IDC_PLAYBACK_PROGRESS 1068
#define IDC_PLAYBACK_PATH 1125
#define IDC_PLAYBACK_BROWSE 1126

// ---- Preset editor (108) --------------------------------------------------------------
#define IDC_PRESET_LIST 1053
#define IDC_PRESET_ADD 1054
#define IDC_PRESET_DELETE 1055
#define IDC_PRESET_WIDTH 1056
#define IDC_PRESET_HEIGHT 1057
#define IDC_PRESET_REPLACE 1058
#define IDC_PRESET_UP 1059
#define IDC_PRESET_DOWN 1060
#define IDC_PRESET_INSERT 1061

// ---- Save dialog (115) -----------------------------------------------------------------
#define IDC_SAVE_FOLDER 1033
#define IDC_SAVE_FOLDER_BROWSE 1034
#define IDC_SAVE_HELP 1073
#define IDC_SAVE_PROGRESSIVE 1081
#define IDC_SAVE_TRANSPARENT 1082
#define IDC_SAVE_JPEG_PREVIEW 1099
#define IDC_SAVE_THUMB_SETTINGS 1102
#define IDC_SAVE_QUALITY 1116
#define IDC_SAVE_FILE 1118
#define IDC_SAVE_FILE_BROWSE 1119
#define IDC_SAVE_PICTURE 1120
#define IDC_SAVE_FORMAT 1121
#define IDC_SAVE_THUMBNAIL 1122
#define IDC_SAVE_ANIMATION 1123
#define IDC_SAVE_SIZE_SUFFIX 1124
#define IDC_SAVE_CHOOSE_COLOUR 1125
#define IDC_SAVE_SWATCH 1127
#define IDC_SAVE_TIMELAPSE_GIF 1128
#define IDC_SAVE_TIMELAPSE_APNG 1129

// ---- JPEG preview (120) ------------------------------------------------------------------
#define IDC_JPEG_SLIDER 1092
#define IDC_JPEG_QUALITY 1093
#define IDC_JPEG_PROGRESSIVE 1094
#define IDC_JPEG_FILE_SIZE 1095
#define IDC_JPEG_VIEW 1096

// ---- Thumbnail settings (121) ---------------------------------------------------------------
#define IDC_THUMB_WIDTH 1105
#define IDC_THUMB_HEIGHT 1106
#define IDC_THUMB_WIDTH_PERCENT 1107
#define IDC_THUMB_HEIGHT_PERCENT 1108
#define IDC_THUMB_KEEP_RATIO 1109
#define IDC_THUMB_FORMAT 1110
#define IDC_THUMB_QUALITY 1111
#define IDC_THUMB_PROGRESSIVE 1112
#define IDC_THUMB_UPDATE 1114
#define IDC_THUMB_VIEW 1115

// ---- File chooser preview pane (122) --------------------------------------------------------
#define IDC_CHOOSER_PREVIEW 1001
#define IDC_CHOOSER_PREVIEW_SWITCH 1002
