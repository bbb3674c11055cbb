#include "platform/Clipboard.h"

#include "text/Cp932.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

namespace pelto {

void PutClipboardText(std::string_view cp932)
{
    auto* data = new QMimeData;
    data->setText(QString::fromStdU16String(Cp932ToUtf16(cp932)));
    data->setData(QString::fromLatin1(kShiftJisMimeType),
                  QByteArray(cp932.data(), static_cast<qsizetype>(cp932.size())));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

}  // namespace pelto
