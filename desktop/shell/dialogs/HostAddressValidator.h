// Accepts what the device address field may hold: nothing, a dotted IPv4 address
// ("192.168.1.20") or a host name ("my-device.local"). Text that can still become one while
// the user types counts as intermediate; anything else is refused at the keystroke.
// Threads: the user-interface thread (as every QValidator).
#pragma once

#include <QValidator>

namespace mirrodex {

class HostAddressValidator : public QValidator {
  Q_OBJECT

 public:
  // Longest address accepted (the wake-up takes at most 255 characters; a DNS name 253).
  static constexpr int kMaxLength = 253;

  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

  // Whether `text` is a complete dotted IPv4 address or host name (the empty text is not).
  static bool IsHostAddress(const QString& text);
};

}  // namespace mirrodex
