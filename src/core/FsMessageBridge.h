// Quillon: routes the file-system helper's messages and errors into the application's own.
#pragma once

// Installs, once, a sink that shows the helper's messages with platform::MsgBox and a raiser
// that turns its invalid-argument failure into platform::Error number 5.
void InstallFsMessageBridge();
