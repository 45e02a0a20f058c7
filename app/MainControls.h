// The main window's controls, listed once for every holder: each front end keeps its own kinds
// of control under these names, and frmMain sees the same controls through the interfaces of
// app/Screen.h.
#pragma once

#include "app/Screen.h"

namespace pixferry {

template <class Text, class Command, class Picture>
struct MainControlSet {
  Text txtIncidentNumber, txtUser, txtDate, txtSource, txtTarget, txtMessage;
  Command cmdSource, cmdStartCopy, cmdDelete, cmdClose;
  Command cmdSourceFirst, cmdSourcePrevious, cmdSourceNext, cmdSourceLast, cmdViewSource;
  Command cmdTargetFirst, cmdTargetPrevious, cmdTargetNext, cmdTargetLast, cmdViewTarget;
  Picture imgSource;

  // The same controls as the core uses them.
  MainControlSet<TextBox&, Button&, PictureBox&> Interfaces() {
    return {txtIncidentNumber, txtUser,           txtDate,       txtSource,     txtTarget,
            txtMessage,        cmdSource,         cmdStartCopy,  cmdDelete,     cmdClose,
            cmdSourceFirst,    cmdSourcePrevious, cmdSourceNext, cmdSourceLast, cmdViewSource,
            cmdTargetFirst,    cmdTargetPrevious, cmdTargetNext, cmdTargetLast, cmdViewTarget,
            imgSource};
  }

  // Gives each control to window under its name, the name its layout row and wiring rows carry
  // (window.Bind(name, control)).
  template <class Form>
  void BindTo(Form& window) {
    window.Bind("txtIncidentNumber", txtIncidentNumber);
    window.Bind("txtUser", txtUser);
    window.Bind("txtDate", txtDate);
    window.Bind("txtSource", txtSource);
    window.Bind("txtTarget", txtTarget);
    window.Bind("txtMessage", txtMessage);
    window.Bind("cmdSource", cmdSource);
    window.Bind("cmdStartCopy", cmdStartCopy);
    window.Bind("cmdDelete", cmdDelete);
    window.Bind("cmdClose", cmdClose);
    window.Bind("cmdSourceFirst", cmdSourceFirst);
    window.Bind("cmdSourcePrevious", cmdSourcePrevious);
    window.Bind("cmdSourceNext", cmdSourceNext);
    window.Bind("cmdSourceLast", cmdSourceLast);
    window.Bind("cmdViewSource", cmdViewSource);
    window.Bind("cmdTargetFirst", cmdTargetFirst);
    window.Bind("cmdTargetPrevious", cmdTargetPrevious);
    window.Bind("cmdTargetNext", cmdTargetNext);
    window.Bind("cmdTargetLast", cmdTargetLast);
    window.Bind("cmdViewTarget", cmdViewTarget);
    window.Bind("imgSource", imgSource);
  }
};

// The controls of the main window by their names, bound by a front end or a test; frmMain
// inherits them, so its procedures use them by these names.
struct MainControls : MainControlSet<TextBox&, Button&, PictureBox&> {
  Window& form;
};

}  // namespace pixferry
