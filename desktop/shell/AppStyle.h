// The look chosen with View > Windows Style (setting 1043) and the three further options
// (1044 icons in the menus, 1045 large bar buttons, 1046 tool tips on the bars), applied at
// start-up: one clean Qt style with a palette per choice. A choice made while the program runs
// is stored and takes effect at the next start.
// Threads: the user-interface thread, after the application object exists.
#pragma once

namespace mirrodex {

class CSettingsStore;

struct AppStyleChoice {
  int style = 8;
  bool menuIcons = true;
  bool largeBarButtons = false;
  bool barToolTips = true;
};

AppStyleChoice ReadAppStyle(const CSettingsStore& store);
void ApplyAppStyle(const AppStyleChoice& choice);

// The icon size of the bars' buttons under the applied choice.
int BarIconSize();

}  // namespace mirrodex
