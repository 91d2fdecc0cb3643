// The build configuration the unit tests link: no images embedded (the tests
// that need one supply their own), stage flag 1.
#include <cstdint>

#include "image/startup.h"

const std::int32_t kInitialStageFlag = 1;

#if !defined(_WIN32)
#include "platform/posix/embedded_firmware.h"
const EmbeddedFirmware kEmbeddedFirmware[] = {{0, nullptr, nullptr}};
const int kEmbeddedFirmwareCount = 0;
#endif
