#pragma once

#include <QString>
#include <QStringList>

namespace version {

// The usage notes of the help window, one entry a line, in their order.
QStringList helpLines();

QString versionText();  // "Version 4.3"
QString creditText();   // "DRAVENKO PRODUCTION"

// The project's page, shown by the link label and opened in the browser.
QString homePage();

}  // namespace version
