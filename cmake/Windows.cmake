# The Windows side: Win32 backends and a Win32 frontend over the same core.
add_library(clipwarden_platform STATIC
    src/platform/win32/AnsiText.cpp
    src/platform/win32/MessageWindow.cpp
    src/platform/win32/Win32FileSystem.cpp
    src/platform/win32/Win32Clock.cpp
    src/platform/win32/RegistrySettingsStore.cpp
    src/platform/win32/Win32ShellFolders.cpp
    src/platform/win32/Win32GameLauncher.cpp
    src/platform/win32/ToolhelpProcessService.cpp
    src/platform/win32/Win32KeySource.cpp
    src/platform/win32/Win32SingleInstance.cpp
    src/platform/win32/CommandRunner.cpp
    src/platform/win32/Win32Trash.cpp
    src/platform/win32/Win32FileManager.cpp
    src/platform/win32/Win32FolderWatch.cpp
    src/platform/win32/Win32Registry.cpp
)
target_compile_definitions(clipwarden_platform PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0601)
target_link_libraries(clipwarden_platform PUBLIC clipwarden_core
    shell32 ole32 user32 gdi32 advapi32 kernel32)
clipwarden_warnings(clipwarden_platform)

add_library(clipwarden_win32_gui STATIC
    src/app/win32/Win32Form.cpp
    src/app/win32/Win32MainWindow.cpp
    src/app/win32/Win32OptionsWindow.cpp
    src/app/win32/Win32LibraryWindow.cpp
    src/app/win32/Win32CitySketch.cpp
    src/app/win32/Win32HousekeepingDialog.cpp
)
target_link_libraries(clipwarden_win32_gui PUBLIC clipwarden_platform comctl32 comdlg32 oleacc
    oleaut32 uuid)
clipwarden_warnings(clipwarden_win32_gui)

# The icon, the application manifest (visual styles, dpi awareness, the Windows versions it
# knows, asInvoker) and the version resource, with the project's version filled in.
set(CLIPWARDEN_WIN32_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/src/app/win32)
set(CLIPWARDEN_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/clipwarden.manifest)
configure_file(src/app/win32/clipwarden.manifest.in ${CLIPWARDEN_MANIFEST} @ONLY)
configure_file(src/app/win32/clipwarden.rc.in ${CMAKE_CURRENT_BINARY_DIR}/clipwarden.rc @ONLY)
add_executable(clipwarden WIN32 src/app/win32/WinMain.cpp ${CMAKE_CURRENT_BINARY_DIR}/clipwarden.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/clipwarden.rc PROPERTIES
    OBJECT_DEPENDS "${CLIPWARDEN_MANIFEST};${CLIPWARDEN_WIN32_SOURCES}/clipwarden.ico")
target_link_libraries(clipwarden PRIVATE clipwarden_win32_gui)
clipwarden_warnings(clipwarden)

# The setup program and the portable zip, both from the same clipwarden.exe, staged in a
# clean folder of their own (makensis stops on a name in its source folder that is not UTF-8).
configure_file(src/app/win32/README.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.txt @ONLY
    NEWLINE_STYLE CRLF)
find_program(CLIPWARDEN_MAKENSIS makensis)
find_program(CLIPWARDEN_ZIP zip)
if(CLIPWARDEN_MAKENSIS AND CLIPWARDEN_ZIP)
    set(CLIPWARDEN_STAGE ${CMAKE_CURRENT_BINARY_DIR}/package-stage)
    set(CLIPWARDEN_SETUP ${CMAKE_CURRENT_BINARY_DIR}/Clipwarden-${PROJECT_VERSION}-setup.exe)
    set(CLIPWARDEN_PORTABLE ${CMAKE_CURRENT_BINARY_DIR}/Clipwarden-${PROJECT_VERSION}-portable.zip)
    add_custom_command(OUTPUT ${CLIPWARDEN_SETUP} ${CLIPWARDEN_PORTABLE}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${CLIPWARDEN_STAGE}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CLIPWARDEN_STAGE}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:clipwarden> ${CLIPWARDEN_STAGE}/clipwarden.exe
        COMMAND ${CMAKE_STRIP} --strip-debug ${CLIPWARDEN_STAGE}/clipwarden.exe
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_BINARY_DIR}/README.txt
            ${CLIPWARDEN_STAGE}/README.txt
        COMMAND ${CLIPWARDEN_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${CLIPWARDEN_STAGE}
            -DICON=${CLIPWARDEN_WIN32_SOURCES}/clipwarden.ico -DOUTFILE=${CLIPWARDEN_SETUP}
            ${CLIPWARDEN_WIN32_SOURCES}/installer.nsi
        COMMAND ${CMAKE_COMMAND} -E rm -f ${CLIPWARDEN_PORTABLE}
        COMMAND ${CMAKE_COMMAND} -E chdir ${CLIPWARDEN_STAGE}
            ${CLIPWARDEN_ZIP} -q -X ${CLIPWARDEN_PORTABLE} clipwarden.exe README.txt
        DEPENDS clipwarden ${CLIPWARDEN_WIN32_SOURCES}/installer.nsi
            ${CMAKE_CURRENT_BINARY_DIR}/README.txt
        COMMENT "Making the setup program and the portable zip"
        VERBATIM)
    add_custom_target(windows-package DEPENDS ${CLIPWARDEN_SETUP} ${CLIPWARDEN_PORTABLE})
endif()
