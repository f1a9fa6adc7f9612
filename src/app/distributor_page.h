#pragma once
// "配布元サイトを開く" of the About dialog: the distributor's web page when the build names one,
// otherwise the guide that ships beside the exe.
struct App;

// The guide's name in the program's folder, as the release zip holds it.
extern const char kGuideFileName[];

// Opens `page` through the shell when it is not empty; with an empty `page` opens the guide of the
// program's folder. A guide that is missing or that the shell cannot open gets a message box.
void OpenDistributorPage(App& app, const char* page);
