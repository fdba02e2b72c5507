#include "tuneport/converter.h"

#include <algorithm>
#include <utility>

#include "tuneport/file_handler.h"

namespace suite::tuneport {

FormatId formatFromName(std::string_view value) {
  for (const FormatRow& row : kFormats)
    for (const std::string_view name : row.names)
      if (!name.empty() && name.find(value) != std::string_view::npos) return row.id;
  return kNoFormat;
}

FormatId formatOfFile(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return kNoFormat;
  std::string extension(fileName.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const FormatRow& row : kFormats)
    if (row.extension == extension) return row.id;
  return kNoFormat;
}

std::string outputFileName(std::string_view inputName, FormatId format) {
  const std::size_t dot = inputName.rfind('.');
  std::string name(dot == std::string_view::npos ? inputName : inputName.substr(0, dot + 1));
  if (isFormat(format)) name += kFormats[static_cast<std::size_t>(format)].extension;
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
}

bool Converter::createFileReader(const std::string& fileName, int format) {
  const std::unique_ptr<FileHandler> handler = makeFileHandler(format);
  if (!handler) {
    errorText_ = "Unable to create file reader.";
    return false;
  }
  handler->setConverter(this);
  std::unique_ptr<model::ConverterMelody> melody;
  if (!handler->read(fileName, melody)) {
    errorText_ = handler->errorText();
    return false;
  }
  if (melody) melody_ = std::move(melody);
  return true;
}

bool Converter::createFileWriter(const std::string& fileName, int format) {
  const std::unique_ptr<FileHandler> handler = makeFileHandler(format);
  if (!handler) {
    errorText_ = "Unable to create file writer.";
    return false;
  }
  handler->setConverter(this);
  if (!handler->write(fileName, melody_.get())) {
    errorText_ = handler->errorText();
    return false;
  }
  return true;
}

}  // namespace suite::tuneport
