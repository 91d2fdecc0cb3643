# The firmware images a build carries. Each image is chosen when the program
# is configured, validated then (a bad image stops the build with the file
# and the reason), and embedded: as resources of type "QEV_FIRMWARE" in the
# Windows program, as linked-in bytes in the POSIX program.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QEV_TARGET_IMAGE "" CACHE FILEPATH
    "Firmware image the program installs (empty: a generated sample image)")
set(QEV_TRANSITION_IMAGE "" CACHE FILEPATH
    "Transition image of the two-stage program (empty: a generated sample image)")

function(qev_generate_sample_image output tag version size seed)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_sample_image.py
            --tag ${tag} --version ${version} --size ${size} --seed ${seed} --output ${output}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Could not generate the sample firmware image ${output}")
  endif()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/ValidateFirmwareImage.cmake)

set(QEV_IMAGE_DIR ${PROJECT_BINARY_DIR}/firmware)
file(MAKE_DIRECTORY ${QEV_IMAGE_DIR})

# Sample images: deterministic, the target one tagged for the first product row.
set(QEV_SAMPLE_TARGET_IMAGE ${QEV_IMAGE_DIR}/sample-target.bin)
set(QEV_SAMPLE_TRANSITION_IMAGE ${QEV_IMAGE_DIR}/sample-transition.bin)
qev_generate_sample_image(${QEV_SAMPLE_TARGET_IMAGE} QAT1040 "3.1.24(QE)" 774248 1)
qev_generate_sample_image(${QEV_SAMPLE_TRANSITION_IMAGE} QAT1040 "2.5.0(QT)" 301113 2)

if(QEV_TARGET_IMAGE)
  get_filename_component(QEV_TARGET_IMAGE_PATH "${QEV_TARGET_IMAGE}" ABSOLUTE)
else()
  set(QEV_TARGET_IMAGE_PATH ${QEV_SAMPLE_TARGET_IMAGE})
endif()
if(QEV_TRANSITION_IMAGE)
  get_filename_component(QEV_TRANSITION_IMAGE_PATH "${QEV_TRANSITION_IMAGE}" ABSOLUTE)
else()
  set(QEV_TRANSITION_IMAGE_PATH ${QEV_SAMPLE_TRANSITION_IMAGE})
endif()
qev_validate_image(${QEV_TARGET_IMAGE_PATH})
qev_validate_image(${QEV_TRANSITION_IMAGE_PATH})
message(STATUS "Target firmware image: ${QEV_TARGET_IMAGE_PATH}")
message(STATUS "Transition firmware image: ${QEV_TRANSITION_IMAGE_PATH}")

# An object library with one configuration's images and initial stage flag:
# qev_add_firmware_configuration(NAME STAGE_FLAG TARGET [TRANSITION]).
function(qev_add_firmware_configuration name stage_flag target_image)
  set(transition_image "${ARGN}")
  set(dir ${PROJECT_BINARY_DIR}/generated/${name})
  file(MAKE_DIRECTORY ${dir})
  set(sources ${dir}/configuration.cpp)
  set(images 112 "${target_image}")
  if(transition_image)
    list(APPEND images 319 "${transition_image}")
  endif()
  set(QEV_RC_IMAGES "")
  set(QEV_ASM_IMAGES "")
  set(QEV_TABLE "")
  set(QEV_ASM_DECLARATIONS "")
  while(images)
    list(POP_FRONT images id path)
    string(APPEND QEV_RC_IMAGES "${id} QEV_FIRMWARE \"${path}\"\n")
    string(APPEND QEV_ASM_IMAGES "    .balign 16\n    .globl qev_firmware_${id}\n    .globl qev_firmware_${id}_end\n"
                                 "qev_firmware_${id}:\n    .incbin \"${path}\"\nqev_firmware_${id}_end:\n    .byte 0\n")
    string(APPEND QEV_TABLE "{${id}, qev_firmware_${id}, qev_firmware_${id}_end},")
    string(APPEND QEV_ASM_DECLARATIONS "extern const std::uint8_t qev_firmware_${id}[], qev_firmware_${id}_end[];\n")
  endwhile()
  if(WIN32)
    qev_program_icon_statement("${target_image}" QEV_RC_PROGRAM_ICON)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/firmware.rc.in ${dir}/firmware.rc @ONLY)
    list(APPEND sources ${dir}/firmware.rc)
    # windres records no dependencies of its own: name the resource script's inputs.
    set(script_inputs ui/qev_upgrade.rc ui/dialog_templates.def ui/resource_ids.h ui/icons/adapter.ico
                      ui/icons/phone.ico platform/win32/resource_constants.h)
    list(TRANSFORM script_inputs PREPEND ${PROJECT_SOURCE_DIR}/)
    set_source_files_properties(${dir}/firmware.rc PROPERTIES
                                OBJECT_DEPENDS "${target_image};${transition_image};${script_inputs}")
  else()
    configure_file(${PROJECT_SOURCE_DIR}/cmake/firmware.S.in ${dir}/firmware.S @ONLY)
    list(APPEND sources ${dir}/firmware.S)
    set_source_files_properties(${dir}/firmware.S PROPERTIES OBJECT_DEPENDS "${target_image};${transition_image}")
  endif()
  set(QEV_STAGE_FLAG ${stage_flag})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/configuration.cpp.in ${dir}/configuration.cpp @ONLY)
  add_library(qev_firmware_${name} OBJECT ${sources})
  target_include_directories(qev_firmware_${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
