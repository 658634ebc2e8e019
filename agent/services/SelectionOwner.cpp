#include "agent/services/SelectionOwner.h"

#include <X11/Xatom.h>

#include <array>

namespace mirrodex {
namespace {

std::string Latin1ToUtf8(const std::string& latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (const char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

// Characters outside Latin-1 become '?'.
std::string Utf8ToLatin1(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0x80) {
      out += static_cast<char>(lead);
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size()) {
      out += static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
    } else {
      out += '?';
    }
    i += length;
  }
  return out;
}

Bool IsStampProbe(Display*, XEvent* event, XPointer probe) {
  return event->type == PropertyNotify &&
         event->xproperty.atom == *reinterpret_cast<const Atom*>(probe);
}

}  // namespace

SelectionOwner::SelectionOwner(const std::string& displayName) : display_(displayName) {
  if (!display_.Usable()) return;
  Display* dpy = display_.Get();
  std::array<const char*, 7> names = {"CLIPBOARD", "UTF8_STRING", "TEXT", "TARGETS",
                                      "TIMESTAMP", "INCR", "MIRRODEX_TRANSFER"};
  std::array<Atom, 7> atoms{};
  if (XInternAtoms(dpy, const_cast<char**>(names.data()), static_cast<int>(names.size()), False,
                   atoms.data()) == 0) {
    return;
  }
  clipboard_ = atoms[0], utf8String_ = atoms[1], text_ = atoms[2], targets_ = atoms[3];
  timestamp_ = atoms[4], incr_ = atoms[5], transfer_ = atoms[6];
  stampProbe_ = XInternAtom(dpy, "MIRRODEX_STAMP", False);
  window_ = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(dpy, window_, PropertyChangeMask);
  if (!display_.SyncWithoutErrors()) window_ = 0;
}

SelectionOwner::~SelectionOwner() {
  if (window_ != 0 && display_.Usable()) XDestroyWindow(display_.Get(), window_);
}

Time SelectionOwner::ServerTime() {
  // A zero-length append changes nothing but reports the server's time.
  unsigned char none = 0;
  XChangeProperty(display_.Get(), window_, stampProbe_, XA_STRING, 8, PropModeAppend, &none, 0);
  XSync(display_.Get(), False);
  XEvent event;
  if (XCheckIfEvent(display_.Get(), &event, &IsStampProbe, reinterpret_cast<XPointer>(&stampProbe_))) {
    return event.xproperty.time;
  }
  return CurrentTime;
}

ClipboardStatus SelectionOwner::Take(const std::string& utf8) {
  if (!Usable()) return ClipboardStatus::kCannotOpen;
  const Time now = ServerTime();
  if (!Usable()) return ClipboardStatus::kCannotOpen;
  XSetSelectionOwner(display_.Get(), clipboard_, window_, now);
  if (XGetSelectionOwner(display_.Get(), clipboard_) != window_) return ClipboardStatus::kCannotOpen;
  owned_ = true;
  ownedSince_ = now;
  ownedText_ = utf8;
  return ClipboardStatus::kOk;
}

bool SelectionOwner::BeginRead(ClipboardStatus& status, std::string& utf8) {
  if (!Usable()) {
    status = ClipboardStatus::kCannotOpen;
    return true;
  }
  const Window owner = XGetSelectionOwner(display_.Get(), clipboard_);
  if (!Usable()) {  // the server went away while answering
    status = ClipboardStatus::kCannotOpen;
    return true;
  }
  if (owner == None || (owner == window_ && owned_)) {
    status = owner == None ? ClipboardStatus::kNoText : ClipboardStatus::kOk;
    if (owner != None) utf8 = ownedText_;
    return true;
  }
  XDeleteProperty(display_.Get(), window_, transfer_);
  requested_ = utf8String_;
  XConvertSelection(display_.Get(), clipboard_, requested_, transfer_, window_, CurrentTime);
  XFlush(display_.Get());
  read_ = ReadState::kWaitingForNotify;
  return false;
}

bool SelectionOwner::HandleEvents(ClipboardStatus& status, std::string& utf8) {
  bool completed = false;
  while (Usable() && XPending(display_.Get()) > 0) {
    XEvent event;
    XNextEvent(display_.Get(), &event);
    switch (event.type) {
      case SelectionRequest:
        Answer(event.xselectionrequest);
        break;
      case SelectionClear:
        if (event.xselectionclear.selection == clipboard_) {
          owned_ = false;
          ownedText_.clear();
        }
        break;
      case SelectionNotify:
        if (read_ == ReadState::kWaitingForNotify && event.xselection.selection == clipboard_) {
          completed = OnNotify(event.xselection, status, utf8) || completed;
        }
        break;
      case PropertyNotify:
        if (read_ == ReadState::kReceivingIncrements && event.xproperty.atom == transfer_ &&
            event.xproperty.state == PropertyNewValue) {
          completed = OnIncrement(status, utf8) || completed;
        }
        break;
      default:
        break;
    }
  }
  // No flush after the last XPending: a flush may read events into Xlib's queue, where a poll
  // on the connection would never see them.
  return completed;
}

void SelectionOwner::Answer(const XSelectionRequestEvent& request) {
  Display* dpy = display_.Get();
  XSelectionEvent note{};
  note.type = SelectionNotify;
  note.display = dpy;
  note.requestor = request.requestor;
  note.selection = request.selection;
  note.target = request.target;
  note.time = request.time;
  note.property = None;
  // Obsolete clients leave the property out and mean the target's name.
  const Atom property = request.property != None ? request.property : request.target;
  const Atom target = request.target;
  if (request.selection == clipboard_ && owned_) {
    if (target == targets_) {
      const std::array<Atom, 5> offered = {targets_, timestamp_, utf8String_, text_, XA_STRING};
      XChangeProperty(dpy, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(offered.data()),
                      static_cast<int>(offered.size()));
      note.property = property;
    } else if (target == timestamp_) {
      const long stamp = static_cast<long>(ownedSince_);
      XChangeProperty(dpy, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&stamp), 1);
      note.property = property;
    } else if (target == utf8String_ || target == text_ || target == XA_STRING) {
      const std::string bytes = target == XA_STRING ? Utf8ToLatin1(ownedText_) : ownedText_;
      XChangeProperty(dpy, request.requestor, property, target == XA_STRING ? XA_STRING : utf8String_,
                      8, PropModeReplace, reinterpret_cast<const unsigned char*>(bytes.data()),
                      static_cast<int>(bytes.size()));
      note.property = property;
    }
  }
  XSendEvent(dpy, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&note));
}

bool SelectionOwner::OnNotify(const XSelectionEvent& event, ClipboardStatus& status, std::string& utf8) {
  if (event.property == None) {
    if (requested_ == utf8String_) {  // an older owner may offer Latin-1 only
      requested_ = XA_STRING;
      XConvertSelection(display_.Get(), clipboard_, requested_, transfer_, window_, CurrentTime);
      return false;
    }
    read_ = ReadState::kIdle;
    status = ClipboardStatus::kNoText;
    return true;
  }
  Atom type = None;
  std::string bytes;
  if (!TakeProperty(type, bytes)) {
    read_ = ReadState::kIdle;
    status = ClipboardStatus::kNoText;
    return true;
  }
  if (type == incr_) {  // deleting the property asked the owner for the first piece
    read_ = ReadState::kReceivingIncrements;
    incomingType_ = None;
    incoming_.clear();
    return false;
  }
  read_ = ReadState::kIdle;
  status = type == utf8String_ || type == XA_STRING || type == text_ ? ClipboardStatus::kOk
                                                                      : ClipboardStatus::kNoText;
  if (status == ClipboardStatus::kOk) utf8 = AsUtf8(type, bytes);
  return true;
}

bool SelectionOwner::OnIncrement(ClipboardStatus& status, std::string& utf8) {
  Atom type = None;
  std::string bytes;
  if (!TakeProperty(type, bytes)) return false;
  if (!bytes.empty()) {
    incomingType_ = type;
    // Past the bound the pieces are still taken, so that the owner finishes, but dropped.
    if (incoming_.size() < kMaxTextBytes) incoming_.append(bytes, 0, kMaxTextBytes - incoming_.size());
    return false;
  }
  read_ = ReadState::kIdle;
  status = ClipboardStatus::kOk;
  utf8 = AsUtf8(incomingType_, incoming_);
  incoming_.clear();
  return true;
}

bool SelectionOwner::TakeProperty(Atom& type, std::string& bytes) {
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_.Get(), window_, transfer_, 0, kMaxTextBytes / 4, True,
                         AnyPropertyType, &type, &format, &count, &after, &data) != Success) {
    return false;
  }
  if (data != nullptr) {
    if (format == 8) bytes.assign(reinterpret_cast<const char*>(data), count);
    XFree(data);
  }
  if (after > 0) XDeleteProperty(display_.Get(), window_, transfer_);  // cut: drop the rest
  return true;
}

std::string SelectionOwner::AsUtf8(Atom type, const std::string& bytes) const {
  return type == XA_STRING ? Latin1ToUtf8(bytes) : bytes;
}

}  // namespace mirrodex
