#pragma once

// What the platform needs once the event loop has ended, before Qt's own clean-up runs.
namespace tavro {

// Makes sure the process ends soon with `exitCode`, whatever Qt's clean-up waits for.
void limitShutdownWait(int exitCode);

}  // namespace tavro
