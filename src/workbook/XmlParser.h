#pragma once

#include <QByteArray>
#include <QString>

class ZipArchive;

// Receives the SAX events of one XML part. Names are local names: the prefix before ":" is
// dropped, so writers that spell the namespaces differently read the same.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void startElement(const char *name, const char **attributes) = 0;
  virtual void endElement(const char *name) = 0;
  virtual void characters(const char *, int) {}

  // Ends the parse early: stop() as a success, fail() with the reason to report.
  void stop() { stopped_ = true; }
  void fail(const QString &reason) {
    if (failure_.isEmpty()) failure_ = reason;
    stopped_ = true;
  }
  bool stopped() const { return stopped_; }
  // A handler that needs the text of only a few elements says so as it goes: expat then does
  // not report the rest.
  void wantText(bool on) { wantText_ = on; }
  bool wantsText() const { return wantText_; }
  const QString &failure() const { return failure_; }

 private:
  bool stopped_ = false;
  bool wantText_ = true;
  QString failure_;
};

// The value of the attribute with this local name, nullptr when absent.
const char *XmlAttribute(const char **attributes, const char *localName);
const char *XmlLocalName(const char *name);
// A decimal integer attribute (leading and trailing blanks allowed); fallback when the text
// is no integer or lies beyond ±2^31.
long long XmlInteger(const char *text, long long fallback);
// An xsd:boolean attribute: "1" or "true", blanks around allowed; false when absent.
bool XmlBoolean(const char *text);

// An expat parse that never reads a DTD: a part with a document type or entity declaration
// is refused (no entity expansion, external or nested, can happen).
class XmlParser {
 public:
  explicit XmlParser(XmlHandler &handler);
  ~XmlParser();
  XmlParser(const XmlParser &) = delete;
  XmlParser &operator=(const XmlParser &) = delete;

  bool parsePart(const ZipArchive &zip, qint64 index, qint64 limit, QString &reason);

 private:
  bool feed(const char *data, size_t size, bool final);
  bool result(QString &reason) const;

 public:
  struct Context;  // shared with expat's callbacks

 private:
  Context *context_;
};
