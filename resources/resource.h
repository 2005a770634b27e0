// Resource ids shared by velthra.rc and the code.
#pragma once

// Strings
#define IDS_DESCRIPTION 1     // the name that the Display control panel lists

// Icons
#define ID_APP 100            // application icon group (32x32, 16 and 256 colours)

// Dialog templates
#define IDD_SETTINGS 2003     // settings dialog with the live preview
#define IDD_CONTROL_MENU 2005 // list of the steering keys (F1)
#define IDD_ABOUT 2006        // About dialog: owner name, credits, web and mail links
#define IDD_SYMBOL 121        // the symbol explained, with the partner's link
#define IDD_OWNER_NAME 2007   // "Enter Your Name"
#define IDI_SYMBOL 110        // the symbol, 32x32 in 16 colours (About dialog)

// Settings dialog controls. Check box and preview button of module n are
// IDC_MODULE_CHECK_BASE + n and IDC_MODULE_BUTTON_BASE + n (n = 1 to 20; only
// modules 1 to 3 are visible).
#define IDC_MODULE_CHECK_BASE 1000
#define IDC_MODULE_BUTTON_BASE 1050
#define IDC_MODULE_SLOTS 20
#define IDC_SECONDS_SPIN 1100
#define IDC_SECONDS 1101
#define IDC_ENABLE_ALL 1109
#define IDC_DISABLE_ALL 1111
#define IDC_PREVIEW 1115
#define IDC_ABOUT 1200
#define IDC_PERSONALIZE 1201
#define IDC_ABOUT_SYMBOL 1202
#define IDC_ALL_MONITORS 1120  // "Show on every monitor"

// About, symbol and owner-name dialogs.
#define IDC_OWNER_NAME_EDIT 1102
#define IDC_VISIT_WEB_SITE 1105
#define IDC_OWNER_LEAD 1106
#define IDC_PARTNER_SITE 1108
#define IDC_SEND_EMAIL 1112
#define IDC_OWNER_NAME 1116

// Pictures (resource type "jpg")
#define IDR_SKY_JPG 111       // cloudy sky, 640 x 480, baseline 4:2:0
#define IDR_EARTH_JPG 120     // earth map, 512 x 512, baseline 4:4:4
