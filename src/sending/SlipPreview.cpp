#include "SlipPreview.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

namespace {
// Only the document handed to the view (a data: URL) and the blank page may load.
class DocumentOnly : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo &info) override {
    const QString scheme = info.requestUrl().scheme();
    if (scheme != QLatin1String("data") && scheme != QLatin1String("about")) info.block(true);
  }
};
}  // namespace

SlipPreview::SlipPreview(QWidget *parent) : QWebEngineView(parent) {
  // An off-the-record profile of our own: nothing of a payslip is kept on disk by the engine.
  auto *profile = new QWebEngineProfile;
  profile->setUrlRequestInterceptor(new DocumentOnly(profile));
  auto *page = new QWebEnginePage(profile, this);
  // A page must go before its profile: the page owns it, and QObject deletes children last.
  profile->setParent(page);
  QWebEngineSettings *s = page->settings();
  s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
  s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  setPage(page);
  setContextMenuPolicy(Qt::NoContextMenu);
}

void SlipPreview::showDocument(const QString &html) {
  setHtml(html + QLatin1Char('\n'), QUrl(QStringLiteral("about:blank")));
}
