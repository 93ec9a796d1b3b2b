#pragma once

namespace vozel::sip {

// Sends the stack's log, at debug level under the domain "Vozel", to EngineLogFile::defaultPath()
// instead of the terminal. Safe to call again; the file is set up once per process.
void routeStackLogToFile();

} // namespace vozel::sip
