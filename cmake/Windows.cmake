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
    src/app/win32/Win32HousekeepingDialog.cpp
)
target_link_libraries(clipwarden_win32_gui PUBLIC clipwarden_platform comctl32 comdlg32)
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
