#include "desktop/shell/DeviceServices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

#include "desktop/app/DeviceLink.h"
#include "desktop/app/SnapshotClipboard.h"
#include "desktop/resources/StringTable.h"
#include "desktop/session/DeviceCommands.h"
#include "desktop/session/DeviceRequester.h"
#include "desktop/shell/dialogs/DeviceRequestRunner.h"

namespace mirrodex {
namespace {

std::u16string ToU16(const QString& text) { return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())}; }
QString FromU16(const std::u16string& text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

DeviceServices::DeviceServices(app::DeviceLink& link, DeviceRequestRunner& runner, QObject* parent)
    : QObject(parent), link_(link), runner_(runner) {
  statusTimer_.setInterval(kStatusPeriodMs);
  connect(&statusTimer_, &QTimer::timeout, this, [this] { RefreshStatus(); });
}

void DeviceServices::Message(int textId) {
  if (onMessage) onMessage(LoadText(textId));
}

template <typename Job>
bool DeviceServices::Start(Job job) {
  if (busy_) return false;
  busy_ = true;
  runner_.Run(this, [this, job = std::move(job)](DeviceRequester& requester) -> std::function<void()> {
    std::function<void()> then = job(requester);
    return [this, then = std::move(then)] {
      busy_ = false;
      then();
      if (onDone) onDone();
    };
  });
  return true;
}

void DeviceServices::CopyToDevice() {
  if (!link_.IsConnected() || busy_) return;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText()) {
    Message(text::kNothingToCopy);
    return;
  }
  auto clipboard = std::make_shared<app::SnapshotClipboard>(ToU16(data->text()));
  Start([this, clipboard](DeviceRequester& requester) -> std::function<void()> {
    const ClipboardOutcome outcome = mirrodex::CopyToDevice(requester, *clipboard);
    return [this, outcome] {
      if (outcome == ClipboardOutcome::kNothingToCopy) Message(text::kNothingToCopy);
      if (outcome == ClipboardOutcome::kClipboardError) Message(text::kClipboardError);
    };
  });
}

void DeviceServices::CopyFromDevice() {
  if (!link_.IsConnected() || busy_) return;
  Start([this](DeviceRequester& requester) -> std::function<void()> {
    auto clipboard = std::make_shared<app::SnapshotClipboard>();
    const ClipboardOutcome outcome = mirrodex::CopyFromDevice(requester, *clipboard);
    return [this, outcome, clipboard] {
      if (outcome == ClipboardOutcome::kDone && clipboard->HasText())
        QGuiApplication::clipboard()->setText(FromU16(clipboard->Text()));
      else
        Message(text::kClipboardError);
    };
  });
}

void DeviceServices::ToggleStatus(bool allowed) {
  if (allowed && !statusTimer_.isActive()) {
    statusTimer_.start();
    if (onStatusAvailable) onStatusAvailable(true);
    RefreshStatus();
    return;
  }
  StatusOff();
}

void DeviceServices::StatusOff() {
  statusTimer_.stop();
  if (onStatusAvailable) onStatusAvailable(false);
}

void DeviceServices::RefreshStatus() {
  if (!statusTimer_.isActive() || !link_.IsConnected()) return;
  Start([this](DeviceRequester& requester) -> std::function<void()> {
    DeviceStatus values;
    const ExchangeStatus status = mirrodex::RefreshStatus(requester, values, nullptr);
    return [this, status, values] {
      // A failed refresh keeps the last values; a display switched off meanwhile stays off.
      if (status == ExchangeStatus::kOk && statusTimer_.isActive() && onStatus)
        onStatus(values.memoryLoad, values.mainBattery);
    };
  });
}

}  // namespace mirrodex
