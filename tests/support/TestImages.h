#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>

/// `image` encoded in `format` ("PNG", "BMP", ...).
QByteArray encodedImage(const QImage &image, const char *format = "PNG");
/// A PNG of one colour.
QByteArray solidPng(int width, int height, QColor color = Qt::darkCyan);
