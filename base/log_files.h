// The file sink of the diagnostic log and the send-data dump: "LxxLog.log"
// and "LxxSendData.bin" in one directory. Programs install it (the filter at
// start, beside the CUPS logs); the libraries never open a file themselves.
#pragma once

// Installs the file sink for both files in `directory` (null: "/var/log/cups").
// Closes files already open so the next write opens them afresh in the new place.
void setDebugLogDirectory(const char* directory);
