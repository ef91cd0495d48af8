#pragma once

#include <cstdint>

// Events of the package and uninstall runners, reported through a DownloadCallback.
enum InstallEventCode : int32_t {
    // Package run.
    IST_CODE_START = 2001,    // 0.0: the run starts
    IST_CODE_PROGRESS = 2002, // the package's own progress figure (0.0 right after the start)
    INSTALL_SUCCESS = 2003,   // 0.0 after "State=Success"; 1.0 when the package ended without a verdict
    IST_CODE_FAIL = 2004,     // 0.0 "State=Fail", 1000.0 "Error=" with its text, 2.0 the package did not start

    // Values the package reports (value 0.0 unless noted).
    IST_VALUE_INSTALL_PATH = 3000,  // install directory
    IST_VALUE_EXE_PATH = 3001,      // product executable
    IST_VALUE_UNINSTALLER = 3002,   // uninstaller executable
    IST_VALUE_UNINSTALL_EP = 3003,  // uninstaller entry ("uninst.ep")
    IST_VALUE_START_URL = 3004,     // address to open after installation
    IST_VALUE_STARTUP_STYLE = 3005, // value: 0 no start, 1 start automatically, 2 user decides
    IST_VALUE_TOP_SHOW = 3007,      // value: top-show detention
    IST_VALUE_FINISH_CLOSE = 3008,  // value: finish-close detention
    IST_VALUE_MESSAGE = 3009,       // message text

    // Uninstall run (removal of the older version).
    UNIST_CODE_PROGRESS = 5002, // the uninstaller's progress figure (0.0 at the start)
    UNIST_CODE_SUCCESS = 5003,  // 0.0 after "State=Success"; 1.0 when it ended without a verdict
    UNIST_CODE_FAIL = 5004,     // 1.0 the uninstaller file is missing, 2.0 it did not start
    UNIST_CODE_ERROR = 5005,    // 0.0 "Error=" with its text, or "State=Fail"
};

// Outcome of parsing package output: nothing settled yet, success, failure.
enum ParseResult : int32_t {
    PARSE_UNSETTLED = 0,
    PARSE_SUCCESS = 1,
    PARSE_FAILURE = 1000,
};
