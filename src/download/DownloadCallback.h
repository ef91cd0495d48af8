#pragma once

#include <cstdint>
#include <functional>

// Receiver of every event a download or installation stage reports: (code, value, text).
// Called on worker threads; `text` is valid only during the call. Must be safe to call from
// any thread.
using DownloadCallback = std::function<void(int32_t code, double value, const wchar_t* text)>;

// Events of the download stage.
enum DownloadEvent : int32_t {
    DL_CODE_START = 1001,    // value 1.0: the worker has started
    DL_CODE_PROGRESS = 1002, // value: fraction done, 0..1
    DL_CODE_SUCCESS = 1003,  // the package file is complete
    DL_CODE_FAIL = 1004,     // final failure; nothing follows
    DL_CODE_RETRY = 1005,    // start me once more (already cleaned up)
    DL_CODE_REASON = 1006,   // diagnostic reason text; a final event follows
};
