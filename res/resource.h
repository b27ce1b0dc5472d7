// Resource identifiers of CORVINET Dialer. The numbers are fixed: the program's templates,
// strings, pictures and control ids are known by them.
#pragma once

// Dialog templates
#define IDD_ABOUT 100
#define IDD_MAIN 102
#define IDD_SETTINGS 130
#define IDD_UPDATE_PROGRESS 131
#define IDD_DISCONNECT_TIMER 142
#define IDD_LOCATION 154
#define IDD_USAGE 163

// Icons and bitmaps
#define IDI_DISCONNECTED 150
#define IDI_CONNECTED 151
#define IDI_APP 153
#define IDB_MAIL 141
#define IDB_TIMER 144
#define IDB_ABOUT 162
#define IDB_USAGE 164
// The three button pictures drawn for 125, 150 and 200 % of the normal screen scale: the 100 %
// picture's id plus 1000, 2000 and 3000.
#define IDB_MAIL_125 1141
#define IDB_MAIL_150 2141
#define IDB_MAIL_200 3141
#define IDB_TIMER_125 1144
#define IDB_TIMER_150 2144
#define IDB_TIMER_200 3144
#define IDB_USAGE_125 1164
#define IDB_USAGE_150 2164
#define IDB_USAGE_200 3164

// String table
#define IDS_ABOUTBOX 101
#define IDS_PROVIDER_PAGE 102
#define IDS_URL_LIST_VERSION 103
#define IDS_AGENT 104
#define IDS_URL_LIST 105
#define IDS_URL_RELEASE 106
#define IDS_URL_DOWNLOAD 107
#define IDS_PROVIDER_SITE 108
#define IDS_COPYRIGHT 109
#define IDS_TOOLTIP_BASE 500  // tooltip of control c is string c - 500

// Controls
#define IDC_DIAL 1000
#define IDC_HANGUP 1002
#define IDC_CONFIGURE 1003
#define IDC_PREFIX 1004
#define IDC_TONE 1005
#define IDC_PULSE 1006
#define IDC_AUTODIAL 1007
#define IDC_PROVIDER_LINK 1008
#define IDC_PROGRESS 1009
#define IDC_ONLINE_TIME 1010
#define IDC_MAIL 1017
#define IDC_TIMER 1019
#define IDC_AMOUNT 1021
#define IDC_MODE 1022
#define IDC_ARMED 1023
#define IDC_MINIMIZE 1024
#define IDC_CLOSE_ON_DISCONNECT 1025
#define IDC_LOCATION_LIST 1027
#define IDC_LOCATION 1028
#define IDC_USAGE 1029
#define IDC_REPORT 1030
#define IDC_NOTICE 1031
#define IDC_REGION 1034
#define IDC_MONTH 1035

// Tray menu commands, the system-menu item and the tray icon
#define ID_TRAY_SHOWHIDE 0x8002
#define ID_TRAY_DIALHANGUP 0x8003
#define ID_TRAY_ABOUT 0x8004
#define ID_TRAY_CLOSE 0x8005
#define IDM_ABOUTBOX 0x0010
#define TRAY_ICON_ID 9000
#define WM_TRAYNOTIFY (WM_APP + 1)
