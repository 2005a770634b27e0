// Resource ids shared by velthra.rc and the code.
#pragma once

// Icons
#define ID_APP 100            // application icon group (32x32, 16 and 256 colours)

// Dialog templates
#define IDD_SETTINGS 2003     // settings dialog with the live preview
#define IDD_CONTROL_MENU 2005 // list of the steering keys (F1)
