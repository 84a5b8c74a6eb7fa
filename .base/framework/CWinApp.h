#pragma once

namespace hollin::framework {

// The one module object of a library, started when the library is loaded and
// stopped when it is unloaded, with its module state current both times.
class CWinApp {
public:
    CWinApp() = default;
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Names the current module state after the library's file, without its
    // folder and extension ("3DSImporter" for .../3DSImporter.so).
    virtual bool InitInstance();
    virtual int ExitInstance();
};

}  // namespace hollin::framework
