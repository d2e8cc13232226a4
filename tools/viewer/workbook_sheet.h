#pragma once

#include "viewer_sheet.h"

#include <QByteArray>

#include <optional>

// The file types Tessaport writes beside the pattern file formats: xlsx and CSV, read into
// the viewer's sheet. Damaged input gives an error text, never a crash.

// Reads the file when it is an xlsx file (a zip archive, or named .xlsx) or named .csv;
// nullopt for any other file, which the pattern file reader then takes.
std::optional<ViewerLoadResult> LoadWorkbookSheet(const QString& path);

// The first worksheet of an xlsx workbook: numbers, texts, date cells as day numbers,
// the used range and the names that point into that sheet.
ViewerLoadResult ReadXlsxSheet(const QByteArray& bytes);

// RFC 4180 text in UTF-8: the first row labels, then numbers, yyyy-mm-dd dates as day
// numbers, and texts; an empty field is no cell.
ViewerLoadResult ReadCsvSheet(const QByteArray& bytes);
