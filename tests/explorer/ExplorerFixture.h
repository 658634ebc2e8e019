// The file manager window over the real sessions: mirrodex-host with the agent on a private
// Xvfb and its file root in a temporary folder, the window's requests counted on their way
// out, a scripted prompter, private settings and a temporary PC folder.
#pragma once

#include <sys/stat.h>

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/files/explorer/CPDAExplorer.h"
#include "desktop/files/explorer/FileTree.h"
#include "desktop/settings/CSettingsStore.h"
#include "tests/dialogs/ScriptedPrompter.h"
#include "tests/requests/HostDevice.h"

namespace mirrodex::test {

namespace fs = std::filesystem;

inline constexpr int kWaitMs = 60000;

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline QStringList ChildNames(QTreeWidgetItem* folder) {
  QStringList names;
  for (int i = 0; folder && i < folder->childCount(); ++i)
    names << FileTree::NameOf(folder->child(i));
  return names;
}

class ExplorerFixture {
 public:
  // Starts the host and connects; false with `error` when that fails.
  bool Start(std::string& error) {
    if (!device_.Start(error)) return false;
    if (!device_.Connect()) {
      error = "the host did not connect: " + device_.HostLog();
      return false;
    }
    return true;
  }

  // Closes the window, makes a fresh PC folder and empties the device's root.
  void Reset() {
    Close();
    local_ = std::make_unique<QTemporaryDir>();
    for (const auto& entry : fs::directory_iterator(device_.Root())) fs::remove_all(entry.path());
  }

  // A new window on the PC folder, shown and filled.
  CPDAExplorer* Open() {
    Close();
    prompter.Clear();
    prompter.answers.clear();
    {
      std::lock_guard lock(mutex_);
      codes_.clear();
    }
    CPDAExplorer::Services services;
    services.dispatcher = &device_.Dispatcher();
    services.sender = [this, inner = device_.Sender()](uint32_t code,
                                                       std::span<const uint8_t> payload) {
      {
        std::lock_guard lock(mutex_);
        codes_.push_back(code);
      }
      return inner(code, payload);
    };
    services.store = &store_;
    services.prompter = &prompter;
    services.timeoutCapMs = 20000;
    window_ = new CPDAExplorer(services);
    window_->show();
    window_->OpenLocalFolder(LocalRoot());
    window_->Refresh();
    Settle();
    return window_;
  }

  void Close() {
    if (window_) window_->close();  // deletes itself
    window_ = nullptr;
  }

  // Waits until the window's requesting thread is idle and every answer has been shown.
  void Settle() { QTRY_VERIFY_WITH_TIMEOUT(!window_->IsWorking(), kWaitMs); }

  // Lists `folder` of `tree` (expanding it) and waits.
  void Expand(FileTree* tree, QTreeWidgetItem* folder) {
    tree->expandItem(folder);
    Settle();
  }
  // Selects `item` alone as the current item of its tree.
  static void Select(FileTree* tree, QTreeWidgetItem* item) {
    tree->clearSelection();
    tree->setCurrentItem(item);
    item->setSelected(true);
  }

  std::vector<uint32_t> TakeCodes() {
    std::lock_guard lock(mutex_);
    return std::exchange(codes_, {});
  }

  QString LocalRoot() const { return local_->path(); }
  fs::path LocalPath() const { return fs::path(local_->path().toStdString()); }
  const fs::path& DeviceRoot() const { return device_.Root(); }
  CPDAExplorer* Window() const { return window_; }
  CSettingsStore& Store() { return store_; }
  HostDevice& Device() { return device_; }

  ScriptedPrompter prompter;

 private:
  HostDevice device_;
  QTemporaryDir settingsDir_;
  CSettingsStore store_{settingsDir_.path() + "/settings.ini"};
  std::unique_ptr<QTemporaryDir> local_;
  QPointer<CPDAExplorer> window_;
  std::mutex mutex_;
  std::vector<uint32_t> codes_;
};

}  // namespace mirrodex::test
