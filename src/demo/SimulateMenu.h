#pragma once

// The demo's "Simulate" menu: the user's hands on the simulated Zephlark. It plugs and unplugs the
// device, makes it send a console line, makes updates fail in ways a real device can and slows its
// data disk, so that a person trying the demo sees the window's ordinary paths react.

class wxFrame;

// Adds "Simulate" to the frame's menu bar, just before Help.
void AddSimulateMenu(wxFrame& frame);
