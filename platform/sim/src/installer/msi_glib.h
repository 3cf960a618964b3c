// Ownership of libmsi and glib objects for the installer part of the machine.
#pragma once

#include <libmsi.h>

#include <memory>
#include <string>

namespace winsim::detail::msi {

struct ObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct TextFree {
  void operator()(gchar* text) const { g_free(text); }
};
using OwnedText = std::unique_ptr<gchar, TextFree>;

// A GError slot that frees what libmsi leaves in it.
class ErrorSlot {
 public:
  ErrorSlot() = default;
  ErrorSlot(const ErrorSlot&) = delete;
  ErrorSlot& operator=(const ErrorSlot&) = delete;
  ~ErrorSlot() { g_clear_error(&error_); }

  GError** Out() {
    g_clear_error(&error_);
    return &error_;
  }
  bool IsSet() const { return error_ != nullptr; }
  int Code() const { return error_ != nullptr ? error_->code : 0; }

 private:
  GError* error_ = nullptr;
};

// A field of a libmsi record as text: integers read as their decimal form, null as "".
inline std::string FieldText(const LibmsiRecord* record, guint field) {
  OwnedText text(libmsi_record_get_string(record, field));
  return text ? std::string(text.get()) : std::string();
}

}  // namespace winsim::detail::msi
