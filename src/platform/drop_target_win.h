#pragma once
// The OLE drop target of a window: the system's four drop-target calls become one message sent to
// the window, which answers with the effects it accepts and handles the drop.
#include <windows.h>
#include <ole2.h>

#include <vector>

// The message's first parameter: which call it is.
enum DropCall : WPARAM { kDragEnter = 0, kDragOver = 1, kDragLeave = 2, kDrop = 3 };

// The message's second parameter points to this record.
struct DropNotification {
    const POINTL* point = nullptr;  // the pointer in screen coordinates, for this call
    DWORD effect = 0;               // written by the window: the effects it accepts; kept between calls
    DWORD keyState = 0;
    UINT format = 0;                    // the first accepted format the data offers, 0 for none
    HGLOBAL data = nullptr;             // the data in that format, valid while the message is handled
    IDataObject* dataObject = nullptr;  // the drag's data object, or null
};

// A new drop target (one reference held by the caller) that sends `message` to `window`, for the
// clipboard formats `formats` in their order of preference; null when memory runs out.
IDropTarget* NewDropTarget(HWND window, UINT message, const std::vector<UINT>& formats);
// Registers a new drop target for the window; false on failure. RevokeDragDrop ends it.
bool RegisterDropTarget(HWND window, UINT message, const std::vector<UINT>& formats);
