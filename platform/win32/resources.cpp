// The firmware images carried as resources of type "QEV_FIRMWARE" in the
// program's own module.
#include "platform/win32/windows_headers.h"

#include "platform/platform.h"

bool FindFirmwareResource(int identifier, const std::uint8_t** data, std::uint32_t* size) {
    HRSRC resource = ::FindResourceA(nullptr, MAKEINTRESOURCEA(identifier), "QEV_FIRMWARE");
    if (resource == nullptr) return false;
    DWORD length = ::SizeofResource(nullptr, resource);
    HGLOBAL loaded = ::LoadResource(nullptr, resource);
    if (loaded == nullptr) return false;
    const void* bytes = ::LockResource(loaded);
    if (bytes == nullptr) return false;
    *data = static_cast<const std::uint8_t*>(bytes);
    *size = length;
    return true;
}
