#include "PastedImageLoader.h"

#include "PasteboardWriter.h"
#include "model/ClipboardItem.h"

PastedImageLoader::PastedImageLoader(QObject *parent)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

void PastedImageLoader::load(const ClipboardItem &item, Done done)
{
    m_pool.start([this, read = item.imageDataLoader(), done = std::move(done)] {
        const std::optional<QByteArray> data = read();
        std::optional<QByteArray> png = data ? PasteboardWriter::clipboardPng(*data) : std::nullopt;
        QMetaObject::invokeMethod(
            this, [done, png = std::move(png)] { done(png); }, Qt::QueuedConnection);
    });
}
