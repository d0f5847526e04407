// The save-file chooser, run where it can browse every folder the shell offers: the window
// thread belongs to the multithreaded apartment, from which the chooser cannot browse
// shell namespace folders such as Documents. It runs on a short-lived thread of its own in
// a single-threaded apartment instead, while the window thread waits for it and keeps
// dispatching its messages, so the dialog repaints and its timer ticks as under a modal
// chooser.
#pragma once

#include <windows.h>

#include <commdlg.h>

using SaveFileChooserFn = BOOL(WINAPI*)(OPENFILENAMEA*);

// The chooser itself, GetSaveFileNameA; tests put their own in its place to watch it.
extern SaveFileChooserFn g_pfnSaveFileChooser;

// Runs the chooser with pOfn and returns its answer. pOfn->hwndOwner is the caller's window:
// the chooser disables it while it is open, so that no second command reaches it meanwhile.
BOOL RunSaveFileChooser(OPENFILENAMEA* pOfn);
