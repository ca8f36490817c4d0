#pragma once

#include <objbase.h>
#include <windows.h>

#include <cstdlib>

// Move-only ownership of one handle or reference that no class of the system already owns. The
// traits name the invalid value and how to release, so every early return releases without cleanup
// code. Releasing keeps the caller's GetLastError.
template <typename Traits> class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : value(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueResource() { reset(); }

    Type get() const { return value; }
    bool isValid() const { return value != Traits::invalid(); }
    explicit operator bool() const { return isValid(); }

    void reset(Type newValue = Traits::invalid()) {
        if (isValid()) {
            const DWORD lastError = GetLastError();
            Traits::close(value);
            SetLastError(lastError);
        }
        value = newValue;
    }

    Type release() {
        const Type released = value;
        value = Traits::invalid();
        return released;
    }

    // For out-parameters: frees what is held before handing out the address, so reuse cannot leak.
    Type* put() {
        reset();
        return &value;
    }

private:
    Type value = Traits::invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type handle) { CloseHandle(handle); }
};

// CreateFileW and FindFirstFile-style calls fail with INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type handle) { FindClose(handle); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type invalid() { return nullptr; }
    static void close(Type key) { RegCloseKey(key); }
};

template <typename Interface> struct ComReferenceTraits {
    using Type = Interface*;
    static Type invalid() { return nullptr; }
    static void close(Type reference) { reference->Release(); }
};

template <typename Element> struct CoTaskMemTraits {
    using Type = Element*;
    static Type invalid() { return nullptr; }
    static void close(Type memory) { CoTaskMemFree(memory); }
};

template <typename Element> struct MallocTraits {
    using Type = Element*;
    static Type invalid() { return nullptr; }
    static void close(Type memory) { std::free(memory); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueRegistryKey = UniqueResource<RegistryKeyTraits>;
template <typename Interface> using ComReference = UniqueResource<ComReferenceTraits<Interface>>;
template <typename Element> using UniqueCoTaskMem = UniqueResource<CoTaskMemTraits<Element>>;
template <typename Element> using UniqueMemory = UniqueResource<MallocTraits<Element>>;
