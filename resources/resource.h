// Resource ids shared by velthra.rc and the code.
#pragma once

// Icons
#define ID_APP 100            // application icon group (32x32, 16 and 256 colours)

// Dialog templates
#define IDD_SETTINGS 2003     // settings dialog with the live preview
#define IDD_CONTROL_MENU 2005 // list of the steering keys (F1)

// Pictures (resource type "jpg")
#define IDR_SKY_JPG 111       // cloudy sky, 640 x 480, baseline 4:2:0
#define IDR_EARTH_JPG 120     // earth map, 512 x 512, baseline 4:4:4
