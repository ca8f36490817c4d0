#pragma once

#include "KString.h"

#include <windows.h>

// A thin wrapper around one Win32 file handle. Positions and sizes are 32-bit: files of 4 GiB and
// more are outside what it handles.
class KFile {
public:
    KFile();
    KFile(const KFile&) = delete;
    KFile& operator=(const KFile&) = delete;

    // Opens with OPEN_ALWAYS, so a path that names no file gets an empty file.
    virtual bool open(const KString& path, DWORD access, bool closeOnDestroy);
    virtual bool close();
    virtual HANDLE getHandle();
    virtual DWORD read(void* buffer, DWORD byteCount);
    // A malloc'd buffer with the whole file from the current position, or null; the caller frees it.
    virtual void* readAll();
    virtual KString readText(bool isUnicode);
    virtual DWORD write(const void* buffer, DWORD byteCount);
    virtual bool writeText(const KString& text, bool isUnicode);
    virtual bool seekToStart();
    virtual bool seek(LONG distance, DWORD moveMethod);
    // INVALID_SET_FILE_POINTER on failure, not 0.
    virtual DWORD getPosition();
    virtual bool seekToEnd();
    // 0 on failure.
    virtual DWORD getSize();
    virtual ~KFile();

    // Takes over a handle opened elsewhere, with flags that open does not use, as if open had got it
    // for path and access; a handle already held is closed first.
    void attach(const KString& path, HANDLE handle, DWORD access, bool closeOnDestroy);

    // True for an existing file, false for a folder, a missing path or any failure.
    static bool exists(const KString& path);
    // True for an existing folder, false for a file, a missing path or any failure.
    static bool isFolder(const KString& path);

private:
    KString fileName;
    HANDLE fileHandle;
    bool closeOnDestroy; // whether fileHandle is owned
    DWORD desiredAccess;
};
