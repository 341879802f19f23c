#include "PayslipPreview.h"

#include <QFile>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

namespace {
// Lets through only what the view loads itself: the document and local files.
class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo &info) override {
    const QString scheme = info.requestUrl().scheme();
    if (scheme != QLatin1String("data") && scheme != QLatin1String("about") &&
        scheme != QLatin1String("file"))
      info.block(true);
  }
};

// setHtml() passes the document as a base64 data: URL, which the engine takes up to 2 MB.
constexpr qsizetype kInlineDocumentBytes = 1400 * 1024;
}  // namespace

PayslipPreview::PayslipPreview(QWidget *parent)
    : QWebEngineView(parent), profile_(new QWebEngineProfile(this)) {
  profile_->setUrlRequestInterceptor(new LocalOnlyInterceptor(profile_));
  profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
  auto *page = new QWebEnginePage(profile_, this);
  QWebEngineSettings *settings = page->settings();
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  setPage(page);
  setContextMenuPolicy(Qt::NoContextMenu);
}

// The page goes before the profile it was made on.
PayslipPreview::~PayslipPreview() { delete page(); }

void PayslipPreview::showDocument(const QString &html) {
  document_ = html;
  const QByteArray bytes = html.toUtf8();
  if (bytes.size() <= kInlineDocumentBytes) {
    setHtml(html, QUrl(QStringLiteral("about:blank")));
    return;
  }
  // Larger documents through a local file of their own.
  if (!largeDocuments_) largeDocuments_ = std::make_unique<QTemporaryDir>();
  QFile file(largeDocuments_->filePath(QStringLiteral("payslip.html")));
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size()) {
    file.close();
    load(QUrl::fromLocalFile(file.fileName()));
  }
}
