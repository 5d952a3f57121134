# The VST 3 SDK subset that Debian's juce-modules-source-data installs, built as
# static libraries for the plug-in side and the host side. Only that subtree is used.
set(KORVALEST_VST3_SDK_DIR
    "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Root of the installed VST 3 SDK subset")

if(NOT EXISTS "${KORVALEST_VST3_SDK_DIR}/pluginterfaces/base/funknown.h")
  message(FATAL_ERROR
    "VST 3 SDK not found at ${KORVALEST_VST3_SDK_DIR}; install juce-modules-source-data")
endif()

set(_sdk "${KORVALEST_VST3_SDK_DIR}")

add_library(korvalest_vst3sdk STATIC
  ${_sdk}/pluginterfaces/base/conststringtable.cpp
  ${_sdk}/pluginterfaces/base/coreiids.cpp
  ${_sdk}/pluginterfaces/base/funknown.cpp
  ${_sdk}/pluginterfaces/base/ustring.cpp
  ${_sdk}/base/source/baseiids.cpp
  ${_sdk}/base/source/fbuffer.cpp
  ${_sdk}/base/source/fdebug.cpp
  ${_sdk}/base/source/fobject.cpp
  ${_sdk}/base/source/fstreamer.cpp
  ${_sdk}/base/source/fstring.cpp
  ${_sdk}/base/source/updatehandler.cpp
  ${_sdk}/base/thread/source/flock.cpp
  ${_sdk}/public.sdk/source/common/memorystream.cpp
  ${_sdk}/public.sdk/source/common/pluginview.cpp
  ${_sdk}/public.sdk/source/vst/vstbus.cpp
  ${_sdk}/public.sdk/source/vst/vstcomponentbase.cpp
  ${_sdk}/public.sdk/source/vst/vsteditcontroller.cpp
  ${_sdk}/public.sdk/source/vst/vstinitiids.cpp
  ${_sdk}/public.sdk/source/vst/vstparameters.cpp
)
target_include_directories(korvalest_vst3sdk SYSTEM PUBLIC "${_sdk}")
target_compile_definitions(korvalest_vst3sdk PUBLIC RELEASE=1)
# Third-party code: its warnings are not ours to fix.
target_compile_options(korvalest_vst3sdk PRIVATE -w)

# Host-side helper classes (host application, parameter changes, event lists),
# used only by the test host.
add_library(korvalest_vst3hosting STATIC
  ${_sdk}/public.sdk/source/vst/hosting/hostclasses.cpp
  ${_sdk}/public.sdk/source/vst/hosting/pluginterfacesupport.cpp
)
target_link_libraries(korvalest_vst3hosting PUBLIC korvalest_vst3sdk)
target_compile_options(korvalest_vst3hosting PRIVATE -w)
