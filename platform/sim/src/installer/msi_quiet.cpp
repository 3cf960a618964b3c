// libmsi reports through glib's log what the installer functions already return as
// results (a file that is not a database, a missing table); a Windows program sees no
// such lines on its standard error, so the simulated machine keeps them to itself.
#include <glib.h>

namespace {

void KeepSeriousOnly(const gchar* domain, GLogLevelFlags level, const gchar* message,
                     gpointer data) {
  if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL))
    g_log_default_handler(domain, level, message, data);
}

struct QuietLog {
  QuietLog() { g_log_set_default_handler(KeepSeriousOnly, nullptr); }
} quietLog;

}  // namespace
