#include "platform/qt_desktop.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImageReader>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "base/error.h"
#include "base/image.h"
#include "base/messages.h"

namespace platform {

namespace {
QString title() {
    return QStringLiteral("カドレル");
}
}  // namespace

void QtDesktop::notice(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title(), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDesktop::confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int QtDesktop::ask(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton,
                   int escapeButton) {
    QMessageBox box(QMessageBox::NoIcon, title(), text, QMessageBox::NoButton, parent);
    std::vector<QPushButton*> made;
    for (const QString& caption : buttons) made.push_back(box.addButton(caption, QMessageBox::ActionRole));
    box.setDefaultButton(made.at(static_cast<std::size_t>(defaultButton)));
    box.setEscapeButton(made.at(static_cast<std::size_t>(escapeButton)));
    box.exec();
    const auto chosen = std::find(made.begin(), made.end(), box.clickedButton());
    return chosen == made.end() ? escapeButton : static_cast<int>(chosen - made.begin());
}

bool QtDesktop::confirmDefaultNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtDesktop::error(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title(), text, QMessageBox::Ok, parent);
    box.exec();
}

QStringList QtDesktop::openFiles(QWidget* parent, const QString& filters, const QString& startPath,
                                 bool multi) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(multi ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setNameFilters(qtFilters(filters));
    if (!startPath.isEmpty()) dialog.selectFile(startPath);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

std::optional<Desktop::SaveChoice> QtDesktop::saveFile(QWidget* parent, const QString& filters,
                                                       const QString& startPath, int filterIndex) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList list = qtFilters(filters);
    dialog.setNameFilters(list);
    if (filterIndex >= 1 && filterIndex <= list.size()) dialog.selectNameFilter(list[filterIndex - 1]);
    if (!startPath.isEmpty()) dialog.selectFile(startPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    SaveChoice choice;
    choice.path = dialog.selectedFiles().first();
    choice.filterIndex = static_cast<int>(list.indexOf(dialog.selectedNameFilter())) + 1;
    if (choice.filterIndex < 1) choice.filterIndex = filterIndex;
    return choice;
}

std::optional<base::Colour> QtDesktop::chooseColour(QWidget* parent, base::Colour initial) {
    const QColor c = QColorDialog::getColor(QColor::fromRgb(base::toQRgb(initial)), parent);
    if (!c.isValid()) return std::nullopt;
    return base::fromQRgb(c.rgb());
}

QSize QtDesktop::screenSize() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1920, 1080);
}

void QtDesktop::setClipboardImage(const QImage& image) {
    QGuiApplication::clipboard()->setImage(image);
}

QImage clipboardPicture(const QMimeData* data) {
    if (!data || !data->hasImage()) return {};
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (!image.isNull()) return image;
    // Only the header is read: the size the data claims.
    for (const QString& format : data->formats()) {
        if (!format.startsWith(QLatin1String("image/")) && format != QLatin1String("application/x-qt-image"))
            continue;
        QByteArray bytes = data->data(format);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (size.isValid() && !base::sizeAllowed(size.width(), size.height()))
            throw base::Error(
                base::messages::pictureSize(std::int64_t{size.width()}, std::int64_t{size.height()}));
    }
    return image;
}

QImage QtDesktop::clipboardImage() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return {};
    if (data->hasImage()) {
        const QImage image = clipboardPicture(data);
        if (!image.isNull()) return image;
    }
    return clipboardReader_ ? clipboardReader_(*data) : QImage();
}

// Linux desktops let no program hide their panels; a full-screen window covers them anyway.
void QtDesktop::setTaskbarVisible(bool) {}

bool QtDesktop::openUrl(const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}

}  // namespace platform
