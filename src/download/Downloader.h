#pragma once

// A package downloader: fetches one address into one file on worker threads and reports every
// outcome through its DownloadCallback (1001 first, any number of 1002, at most one 1006, then
// exactly one of 1003, 1004 or 1005).
class CDownloader {
public:
    virtual ~CDownloader() = default;

    // Returns at once; the transfer runs on worker threads. May be called again after the
    // previous run's final event, also from inside that event.
    virtual void Start() = 0;
};
