#pragma once

#include "ComponentDetection.h"
#include "PackageDiscovery.h"

#include <windows.h>

// What the installation run does and in which order, shared by the run and by the pre-flight check
// so that the check's account of a run cannot differ from the run.

// Pacing, so that the user can read each text.
constexpr DWORD SCAN_WAIT_MS = 2000;
constexpr DWORD COUNT_WAIT_MS = 500;
constexpr DWORD ANNOUNCE_WAIT_MS = 2000;
constexpr DWORD INSTALL_WAIT_MS = 800;
constexpr DWORD COPY_WAIT_MS = 600;
constexpr DWORD FINISH_WAIT_MS = 1000;
// A run with nothing to do: two scans, each followed by its count, the announcement and the close.
constexpr DWORD FIXED_WAIT_MS = 2 * (SCAN_WAIT_MS + COUNT_WAIT_MS) + ANNOUNCE_WAIT_MS + FINISH_WAIT_MS;

constexpr int PRODUCT_COUNT = 4;
constexpr int CONFIGURATION_COUNT = 4;

struct ProductStep {
    const wchar_t* status;
    KString (*findPackage)(const KString& programFolder);
};

// Veltrano Pro first, then the plug-ins; every scan and step keeps this order.
inline constexpr ProductStep PRODUCT_STEPS[PRODUCT_COUNT] = {
    {L"Installing Veltrano Pro...", &findProductPackage},
    {L"Installing Clockline Plug-In...", &findClocklinePackage},
    {L"Installing Driftcast Plug-In...", &findDriftcastPackage},
    {L"Installing Panelgate Plug-In...", &findPanelgatePackage},
};

inline constexpr const wchar_t* PLUGIN_MODULE_PATHS[PRODUCT_COUNT - 1] = {
    CLOCKLINE_MODULE_PATH, DRIFTCAST_MODULE_PATH, PANELGATE_MODULE_PATH};

struct ConfigurationStep {
    const wchar_t* fileName; // begins with the separator
    const wchar_t* status;
    bool isDatabase; // databases get this machine's device identifiers after the copy
};

inline constexpr ConfigurationStep CONFIGURATION_STEPS[CONFIGURATION_COUNT] = {
    {L"\\Profiles.db64", L"Copying 64bit Configuration...", true},
    {L"\\Profiles.db", L"Copying 32bit Configuration...", true},
    {L"\\Autostart.dat64", L"Copying 64bit Startup Configuration...", false},
    {L"\\Autostart.dat", L"Copying 32bit Startup Configuration...", false},
};
