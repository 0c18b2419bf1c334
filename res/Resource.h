// Resource and control identifiers, shared by the resource script and the code.
// Plain #defines: the resource compiler reads this file too.
#pragma once

#define IDB_CANCEL_STRIP 103
#define IDB_SYNC_STRIP 104
#define IDB_TITLE 105
#define IDB_BOX_UNCHECKED 107
#define IDB_BOX_CHECKED 108
#define IDB_BOX_CHECKED_LOCKED 109
#define IDB_OK_STRIP 111
#define IDI_APP 114

// The sync button; the IME list panel and its check boxes carry it too, but never send
// commands, so only the button's BN_CLICKED reaches the main window with it.
#define ID_SYNC 2000
// The cancel and the OK buttons: both close the main window.
#define ID_CLOSE 2001
// The link that chooses a dictionary file of the user's.
#define ID_CHOOSE_FILE 2002
