#pragma once

// libcurl's process-wide initialisation, held for the life of the program: Init() once at
// start-up on the main thread, Cleanup() at shut-down after every transfer has ended.
class CurlGlobal {
public:
    CurlGlobal() = default;
    ~CurlGlobal() { Cleanup(); }
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;

    // curl_global_init(CURL_GLOBAL_ALL); returns its result code (0 on success).
    int Init();
    // curl_global_cleanup, once, when Init() was called.
    void Cleanup();

private:
    bool m_initialised = false;
};
