#pragma once

#include "ComponentDetection.h"
#include "ConfigurationCopy.h"
#include "ConfigurationFiles.h"
#include "CopyLeftovers.h"
#include "DesktopUser.h"
#include "ProductFolder.h"
#include "Products.h"
#include "RunStep.h"

#include "devices/DeviceForecast.h"
#include "foundation/KString.h"

#include <windows.h>

// Every decision of an installation run, made once: the run executes its steps, the pre-flight check
// prints them. It is made in the run's two scans, which the run separates by its texts and waits:
// first what is on the machine, then what the program folder offers. Nothing persists between runs.
class InstallationPlan {
public:
    // sessions: what finding the desktop user asks of the system; null for the system's own answers.
    explicit InstallationPlan(const SessionQueries* sessions = nullptr);
    InstallationPlan(const InstallationPlan&) = delete;
    InstallationPlan& operator=(const InstallationPlan&) = delete;
    virtual ~InstallationPlan();

    // What is installed, whose AppData folder receives the configuration, which configuration files
    // its product folder already holds, and what stopped copies left there.
    void scanMachine();
    // For each product the package discovery chooses, and which configuration files the folder holds.
    void scanFolder(const KString& programFolder);

    // Every step of the run, in order: the texts it shows and for how long, the scans, the recovery
    // of what stopped copies left, the installations, the product folder, the copies and rewrites,
    // the progress. Each step is made when the one before has been visited, so the steps after a scan
    // follow from what the visitor's scan found: the run performs SCAN_MACHINE and SCAN_FOLDER, the
    // check scans the folder it was given.
    void forEachStep(RunStepVisitor& visitor);
    // Does what a step of the run does, other than showing or waiting: the scans (of the running
    // program's folder), the recovery, an installation, the product folder, a copy (noting what the
    // rewrite after it opens) and a rewrite.
    void perform(const RunStep& step);

    // Installed products and configuration files already in the product folder (the first count).
    int machineCount() const;
    // Packages chosen and configuration files offered (the second count).
    int folderCount() const;
    // The steps the run takes: an installation for each product that is missing and has a package, a
    // copy for each configuration file offered, whether or not one is there already.
    int stepTotal() const;

    bool isInstalled(int product) const { return products[product].installed; }
    // The chosen package's full path; empty when the folder offers none.
    const KString& package(int product) const { return products[product].package; }
    // The chosen package's index in the product's package names; -1 when the folder offers none.
    int chosenPackage(int product) const { return products[product].chosen; }
    bool installs(int product) const { return !isInstalled(product) && !package(product).isEmpty(); }

    bool isInProductFolder(int configuration) const { return configurations[configuration].inProductFolder; }
    const CopyLeftovers& leftovers(int configuration) const {
        return configurations[configuration].leftovers;
    }
    const KString& source(int configuration) const { return configurations[configuration].source; }
    bool isOffered(int configuration) const { return configurations[configuration].offered; }
    // Examines the copy as the copy itself will when it is made, and notes what the rewrite after it
    // would open: for a report, which makes no copy.
    CopyDecision examineCopy(int configuration);
    // What the rewrite after the copy opens: as the copy's examination decided it, or its act.
    RewriteTarget rewriteTarget(int configuration) const { return configurations[configuration].rewrite; }
    // What the rewrite would leave in the file it opens, read from the bytes that file will hold.
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
    };
    struct ConfigurationState {
        bool inProductFolder = false;
        CopyLeftovers leftovers;
        KString source;
        bool offered = false;
        RewriteTarget rewrite = RewriteTarget::NONE;
    };

    const SessionQueries* const sessions;
    ProductBuild build;
    KString programFiles;
    DesktopUser user;
    ProductFolder::State productFolderState = ProductFolder::State::NO_APPDATA_FOLDER;
    KString folder;
    ProductState products[PRODUCT_COUNT];
    ConfigurationState configurations[CONFIGURATION_COUNT];
};
