# Checks that a firmware image can serve: a 128-byte header, a non-empty
# version text at offset 92 that ends inside the header, and no more bytes
# than the TFTP transfer can carry. A bad image stops the build with the file
# and the reason. Also usable on its own:
#   cmake -DIMAGE=firmware.bin -P cmake/ValidateFirmwareImage.cmake

# The largest image whose blocks all have distinct 16-bit TFTP block numbers:
# 65,535 blocks of 512 bytes, the last one short.
set(QEV_MAX_IMAGE_SIZE 33553919)

# Stops the configuration when the image cannot serve.
function(qev_validate_image path)
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    message(FATAL_ERROR "Firmware image ${path}: no such file")
  endif()
  file(SIZE "${path}" size)
  if(size LESS 128)
    message(FATAL_ERROR "Firmware image ${path}: ${size} bytes, shorter than its 128-byte header")
  endif()
  if(size GREATER QEV_MAX_IMAGE_SIZE)
    message(FATAL_ERROR "Firmware image ${path}: ${size} bytes, more than ${QEV_MAX_IMAGE_SIZE}, "
                        "the most that TFTP's 16-bit block numbers can carry")
  endif()
  file(READ "${path}" version_hex OFFSET 92 LIMIT 36 HEX)
  set(terminator -1)
  foreach(index RANGE 0 35)
    math(EXPR at "${index} * 2")
    string(SUBSTRING "${version_hex}" ${at} 2 byte)
    if(byte STREQUAL "00")
      set(terminator ${index})
      break()
    endif()
  endforeach()
  if(terminator EQUAL -1)
    message(FATAL_ERROR "Firmware image ${path}: the version text at offset 92 is not NUL-terminated inside the 128-byte header")
  endif()
  if(terminator EQUAL 0)
    message(FATAL_ERROR "Firmware image ${path}: the version text at offset 92 is empty")
  endif()
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED IMAGE)
  qev_validate_image("${IMAGE}")
  message(STATUS "Firmware image ${IMAGE}: valid")
endif()
