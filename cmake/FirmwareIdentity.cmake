# What a firmware image says about itself, read when the program is built:
# its version text (offset 92 of the header) and the product that its tag
# (offset 0) names in the product table. The table has one home, the data
# file image/product_table.def; this reads its rows from there and matches
# them as IdentifyProduct does: in order, the first compare-length characters of the
# header, ASCII letters folded to one case, a NUL in the header ending the
# match; no match gives the fallback name and the adapter class.
# Also usable on its own (prints "display name|class|version"):
#   cmake -DIMAGE=firmware.bin -P cmake/FirmwareIdentity.cmake

get_filename_component(_qev_identity_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# The bytes of a file's hex dump (two digits a byte) as a list of numbers,
# ASCII lower-case letters folded to upper case when FOLD is true.
function(_qev_hex_codes hex fold out_var)
  set(codes "")
  string(LENGTH "${hex}" length)
  set(at 0)
  while(at LESS length)
    string(SUBSTRING "${hex}" ${at} 2 byte)
    math(EXPR value "0x${byte}")
    if(fold AND value GREATER_EQUAL 97 AND value LESS_EQUAL 122)
      math(EXPR value "${value} - 32")
    endif()
    list(APPEND codes ${value})
    math(EXPR at "${at} + 2")
  endwhile()
  set(${out_var} "${codes}" PARENT_SCOPE)
endfunction()

# The rows of the product table: a list of "tag|compare length|display name|class",
# the compare length being the tag's length; and the fallback name. A line of
# the file that is neither a row nor the fallback stops the configuration.
function(qev_read_product_table out_var fallback_var)
  set(source "${_qev_identity_root}/image/product_table.def")
  file(STRINGS "${source}" lines REGEX "^QEV_")
  set(rows "")
  set(fallback "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^QEV_PRODUCT\\(\"([^\"]+)\", *\"([^\"]+)\", *(ADAPTER|PHONE)\\)$")
      string(LENGTH "${CMAKE_MATCH_1}" length)
      string(TOLOWER "${CMAKE_MATCH_3}" class)
      list(APPEND rows "${CMAKE_MATCH_1}|${length}|${CMAKE_MATCH_2}|${class}")
    elseif(line MATCHES "^QEV_FALLBACK_NAME\\(\"([^\"]+)\"\\)$")
      set(fallback "${CMAKE_MATCH_1}")
    else()
      message(FATAL_ERROR "${source}: not a product row: ${line}")
    endif()
  endforeach()
  if(rows STREQUAL "" OR fallback STREQUAL "")
    message(FATAL_ERROR "${source}: no product rows or no fallback name")
  endif()
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
  endif()
  set(${out_var} "${rows}" PARENT_SCOPE)
  set(${fallback_var} "${fallback}" PARENT_SCOPE)
endfunction()

# Sets NAME_VAR to the product's display name and CLASS_VAR to "adapter" or "phone".
function(qev_identify_product image name_var class_var)
  qev_read_product_table(rows fallback)
  file(READ "${image}" header_hex LIMIT 8 HEX)
  _qev_hex_codes("${header_hex}" TRUE header)
  set(name "${fallback}")
  set(class adapter)
  foreach(row IN LISTS rows)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 tag)
    list(GET fields 1 length)
    string(HEX "${tag}" tag_hex)
    _qev_hex_codes("${tag_hex}" TRUE wanted)
    list(SUBLIST wanted 0 ${length} wanted)
    list(SUBLIST header 0 ${length} have)
    # A tag never holds a NUL, so a header whose tag ends early differs here.
    if(have STREQUAL wanted)
      list(GET fields 2 name)
      list(GET fields 3 class)
      break()
    endif()
  endforeach()
  set(${name_var} "${name}" PARENT_SCOPE)
  set(${class_var} "${class}" PARENT_SCOPE)
endfunction()

# Sets OUT_VAR to the version text at offset 92, with every byte outside
# printable ASCII (and the list separator ';') shown as '?'. The image has
# been validated: the text ends inside the header.
function(qev_read_image_version image out_var)
  file(READ "${image}" version_hex OFFSET 92 LIMIT 36 HEX)
  _qev_hex_codes("${version_hex}" FALSE codes)
  set(version "")
  foreach(value IN LISTS codes)
    if(value EQUAL 0)
      break()
    endif()
    if(value LESS 32 OR value GREATER 126 OR value EQUAL 59)
      set(value 63)
    endif()
    string(ASCII ${value} character)
    string(APPEND version "${character}")
  endforeach()
  set(${out_var} "${version}" PARENT_SCOPE)
endfunction()

# A text made fit for file names and package versions: runs of anything but
# letters and digits become one '.', none at either end ("3.1.24(QE)" gives
# "3.1.24.QE").
function(qev_file_name_text text out_var)
  string(REGEX REPLACE "[^A-Za-z0-9]+" "." text "${text}")
  string(REGEX REPLACE "^\\.|\\.$" "" text "${text}")
  if(text STREQUAL "")
    set(text "unknown")
  endif()
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE AND DEFINED IMAGE)
  qev_identify_product("${IMAGE}" name class)
  qev_read_image_version("${IMAGE}" version)
  message("${name}|${class}|${version}")
endif()
