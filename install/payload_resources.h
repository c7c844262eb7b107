// The four payload resources of the installer's own executable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "install/extraction_callbacks.h"
#include "install/install_context.h"
#include "payload/entry_verifier.h"
#include "payload/fileio.h"
#include "res/resource.h"

class PayloadReporter;
class UnpackProgress;

// A payload resource of the program's own image, found, loaded and locked;
// bytes is null when any of these failed.
struct LockedResource {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// Finds resource id of type "qva" in the program's own module, loads and
// locks it. The lookups take the loader's lock.
LockedResource LockPayloadResource(int resourceId);

// Creates targetPath anew into held (File::CreateExclusive) and unpacks
// resource there; held stays open. False when the resource was not found or
// any of these fails; the unpacking's diagnostics go to reporter. progress
// (when given) is told how far held holds its bytes. The compressed bytes
// are read through programFile (the program's own file) a window at a time,
// so that they do not come into the working set; where that file cannot be
// read, or its bytes at the resource's place are not the image's, they are
// read from the image, and its pages are given back behind the decoder.
// Takes no lock of the loader's.
bool UnpackLockedResource(const LockedResource& resource, const std::string& targetPath, File& held,
                          PayloadReporter& reporter, UnpackProgress* progress, const std::string& programFile);

// Both of the above, with the program's own file.
bool UnpackPayloadResource(int resourceId, const std::string& targetPath, File& held, PayloadReporter& reporter);

// Payload resources unpacked on a thread of their own, one after another,
// while the installation goes on. Each file is made and held as
// UnpackPayloadResource does it. The entries' checking waits for each
// data file's bytes (DataFileGate); the extraction waits for the end.
class BackgroundUnpacking : public DataFileGate {
public:
    struct Resource {
        int resourceId;
        LockedResource locked;
        std::string targetPath;
        File* held;  // must outlive the unpacking
    };

    BackgroundUnpacking() = default;
    // Waits for the thread.
    ~BackgroundUnpacking() override;
    BackgroundUnpacking(const BackgroundUnpacking&) = delete;
    BackgroundUnpacking& operator=(const BackgroundUnpacking&) = delete;

    // Starts unpacking the resources, in this order, with reporter (which
    // must outlive the unpacking) told of their diagnostics, reading them
    // through programFile (see UnpackLockedResource). Called once. The
    // start-up may hold the loader's lock for long next (loading the common
    // controls, whose start waits for the desktop): the caller finds and
    // locks the resources, and goes on once the thread is under way (a new
    // thread tells the loaded libraries that it starts, under that lock),
    // so that the thread never waits for it.
    void Start(const std::vector<Resource>& resources, const std::string& programFile, PayloadReporter& reporter);
    // Waits until every resource is done.
    void Finish();
    // After Finish: whether resources[i] was unpacked in full.
    bool Unpacked(size_t i) const;

    // Waits until dataFile (one of the target paths) holds its bytes up to
    // end, or its unpacking has ended. False when that unpacking failed.
    // Files that are not unpacked here are there already: true.
    bool WaitForData(const std::string& dataFile, int64_t end) const override;

private:
    static constexpr int64_t kNobodyWaits = INT64_MAX;
    struct State {
        int64_t written = 0;
        mutable int64_t wakeAt = kNobodyWaits;  // the fewest bytes that a waiting reader waits for
        bool done = false;
        bool unpacked = false;
    };
    class Progress;

    void Run();

    std::vector<Resource> resources_;
    std::string programFile_;
    PayloadReporter* reporter_ = nullptr;
    std::vector<State> states_;
    bool running_ = false;  // the thread has started
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::thread thread_;
};

// The four temporary payload files as the installer made them: each created
// anew and held open from its unpacking to the end of the extraction, so
// that no other program can change, replace or delete it meanwhile. Closing
// one removes it (so does the end of the program).
struct HeldPayloadFiles {
    File setupIndex;
    File setupData;
    File systemIndex;
    File systemData;

    void Close()
    {
        setupIndex.Close();
        setupData.Close();
        systemIndex.Close();
        systemData.Close();
    }
};

// The payload resources: the code shown when one is damaged, its id, the
// temporary file it is unpacked into, the handle that holds that file, and
// whether it is unpacked on a thread of its own (the data files, which
// only the extraction needs) or at once (the indexes, which the steps
// before it need).
struct PayloadResource {
    int code;
    int resourceId;
    std::string PayloadPaths::*targetPath;
    File HeldPayloadFiles::*held;
    bool inBackground;
};

inline constexpr PayloadResource PayloadResources[] = {
    {0, IDR_QVA_SETUP_INDEX, &PayloadPaths::setupIndex, &HeldPayloadFiles::setupIndex, false},
    {1, IDR_QVA_SETUP_DATA, &PayloadPaths::setupData, &HeldPayloadFiles::setupData, true},
    {2, IDR_QVA_SYSTEM_INDEX, &PayloadPaths::systemIndex, &HeldPayloadFiles::systemIndex, false},
    {3, IDR_QVA_SYSTEM_DATA, &PayloadPaths::systemData, &HeldPayloadFiles::systemData, true},
};

// The payload files and the data files' unpacking, for one run. The
// installation's payload step starts the unpacking; when the run is
// unattended (it starts installing at once) the start-up starts it before
// the setup window is made, so that the decoding goes on while the window
// and the first steps get ready, and the step finds it started.
class PayloadUnpacking {
public:
    // Makes and holds the two data files of paths and starts unpacking the
    // data resources into them. Only the first call does anything.
    void StartDataFiles(const PayloadPaths& paths);

    HeldPayloadFiles held;
    InstallerPayloadReporter reporter;
    // Last, so that it goes first: its thread writes held and tells reporter.
    BackgroundUnpacking data;

private:
    bool started_ = false;
};

// "安装程序被损坏,请重新下载!\nCode=<code>".
std::string CorruptionMessage(int code);
