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

namespace mirrodex {
namespace {

std::u16string ToU16(const QString& text) { return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())}; }
QString FromU16(const std::u16string& text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

DeviceServices::DeviceServices(app::DeviceLink& link, ReplyDispatcher& dispatcher, QObject* parent)
    : QObject(parent), link_(link), dispatcher_(dispatcher) {
  statusTimer_.setInterval(kStatusPeriodMs);
  connect(&statusTimer_, &QTimer::timeout, this, [this] { RefreshStatus(); });
}

DeviceServices::~DeviceServices() = default;

void DeviceServices::Message(int textId) {
  if (onMessage) onMessage(LoadText(textId));
}

void DeviceServices::Finished() {
  if (onDone) onDone();
}

void DeviceServices::CopyToDevice() {
  if (!link_.IsConnected() || worker_.Busy()) return;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText()) {
    Message(text::kNothingToCopy);
    return;
  }
  auto clipboard = std::make_shared<app::SnapshotClipboard>(ToU16(data->text()));
  const uint32_t cap = timeoutCapMs_;
  worker_.Run([this, clipboard, cap] {
    DeviceRequester requester(dispatcher_, [this](uint32_t code, std::span<const uint8_t> payload) {
      return link_.QueueRequest(code, payload);
    }, DeviceRequester::Role::kCurrent, cap);
    const ClipboardOutcome outcome = mirrodex::CopyToDevice(requester, *clipboard);
    QMetaObject::invokeMethod(this, [this, outcome] {
      if (outcome == ClipboardOutcome::kNothingToCopy) Message(text::kNothingToCopy);
      if (outcome == ClipboardOutcome::kClipboardError) Message(text::kClipboardError);
      Finished();
    }, Qt::QueuedConnection);
  });
}

void DeviceServices::CopyFromDevice() {
  if (!link_.IsConnected() || worker_.Busy()) return;
  const uint32_t cap = timeoutCapMs_;
  worker_.Run([this, cap] {
    auto clipboard = std::make_shared<app::SnapshotClipboard>();
    DeviceRequester requester(dispatcher_, [this](uint32_t code, std::span<const uint8_t> payload) {
      return link_.QueueRequest(code, payload);
    }, DeviceRequester::Role::kCurrent, cap);
    const ClipboardOutcome outcome = mirrodex::CopyFromDevice(requester, *clipboard);
    QMetaObject::invokeMethod(this, [this, outcome, clipboard] {
      if (outcome == ClipboardOutcome::kDone && clipboard->HasText())
        QGuiApplication::clipboard()->setText(FromU16(clipboard->Text()));
      else
        Message(text::kClipboardError);
      Finished();
    }, Qt::QueuedConnection);
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
  const uint32_t cap = std::min<uint32_t>(timeoutCapMs_, 1000);
  worker_.Run([this, cap] {
    DeviceRequester requester(dispatcher_, [this](uint32_t code, std::span<const uint8_t> payload) {
      return link_.QueueRequest(code, payload);
    }, DeviceRequester::Role::kCurrent, cap);
    DeviceStatus values;
    const ExchangeStatus status = mirrodex::RefreshStatus(requester, values, nullptr);
    QMetaObject::invokeMethod(this, [this, status, values] {
      // A failed refresh keeps the last values; a display switched off meanwhile stays off.
      if (status == ExchangeStatus::kOk && statusTimer_.isActive() && onStatus)
        onStatus(values.memoryLoad, values.mainBattery);
      Finished();
    }, Qt::QueuedConnection);
  });
}

}  // namespace mirrodex
