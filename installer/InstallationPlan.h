#pragma once

#include "ComponentDetection.h"
#include "ConfigurationCopy.h"
#include "ConfigurationFiles.h"
#include "DesktopUser.h"
#include "PackageCandidates.h"
#include "Products.h"

#include "devices/DeviceForecast.h"
#include "foundation/KString.h"

#include <windows.h>

// Every decision of an installation run, made once: the run executes it, the pre-flight check
// reports it. It is made in the run's two scans, which the run separates by its texts and waits:
// first what is on the machine, then what the program folder offers. Nothing persists between runs.
class InstallationPlan {
public:
    InstallationPlan();
    InstallationPlan(const InstallationPlan&) = delete;
    InstallationPlan& operator=(const InstallationPlan&) = delete;
    virtual ~InstallationPlan();

    // What is installed, whose AppData folder receives the configuration, and which configuration
    // files its product folder already holds.
    void scanMachine();
    // For each product the package discovery chooses, and which configuration files the folder holds.
    void scanFolder(const KString& programFolder);
    // After the folder scan, every name in the folder like one of a product's packages and how the
    // scan treated it, and every other package file: for a report, since the run has no use for what
    // it passes over.
    void listPackageCandidates();

    // Installed products and configuration files already in the product folder (the first count).
    int machineCount() const;
    // Packages chosen and configuration files offered (the second count).
    int folderCount() const;
    // The steps the run takes: an installation for each product that is missing and has a package, a
    // copy for each configuration file offered, whether or not one is there already.
    int stepTotal() const;
    // The run's fixed waits for these steps; each installation takes the system installer's time besides.
    DWORD leastWaitMs() const;

    bool isInstalled(int product) const { return products[product].installed; }
    // The chosen package's full path; empty when the folder offers none.
    const KString& package(int product) const { return products[product].package; }
    const PackageCandidates& candidates(int product) const { return products[product].candidates; }
    // Package files whose names are like no product's packages.
    const PackageCandidates& unrecognisedPackages() const { return unrecognised; }
    bool installs(int product) const { return !isInstalled(product) && !package(product).isEmpty(); }

    bool isInProductFolder(int configuration) const { return configurations[configuration].inProductFolder; }
    const KString& source(int configuration) const { return configurations[configuration].source; }
    bool copies(int configuration) const { return configurations[configuration].offered; }
    // What the copy will do at its destination, as the copy itself will decide it.
    CopyDecision copyDecision(int configuration) const;
    // What the rewrite would leave in the copy of a database, read from its source.
    DatabaseForecast deviceForecast(int configuration) const;

    const ProductBuild& productBuild() const { return build; }
    const KString& programFilesFolder() const { return programFiles; }
    const DesktopUser& desktopUser() const { return user; }
    const KString& appDataFolder() const { return user.appDataFolder(); }
    KString productFolder() const { return appDataFolder() + PRODUCT_FOLDER_NAME; }
    const KString& programFolder() const { return folder; }
    // Whether the product folder lies within the desktop user's profile folder, links followed.
    // Outside it (the AppData folder set elsewhere, or a link), the folder may stand for a protected
    // one or another user's. For a report: the run has no use for it.
    bool isProductFolderInProfile() const;

private:
    struct ProductState {
        bool installed = false;
        int chosen = -1; // in the product's package names
        KString package;
        PackageCandidates candidates;
    };
    struct ConfigurationState {
        bool inProductFolder = false;
        KString source;
        bool offered = false;
    };

    ProductBuild build;
    KString programFiles;
    DesktopUser user;
    KString folder;
    ProductState products[PRODUCT_COUNT];
    ConfigurationState configurations[CONFIGURATION_COUNT];
    PackageCandidates unrecognised;
};
