#pragma once

#include <QTemporaryDir>
#include <QWebEngineView>
#include <memory>

class QWebEngineProfile;

// An HTML view for payslips: scripts off, and nothing is fetched from the network (a payslip's
// markup comes from cell texts and the downloaded advertisement, so it is not trusted).
class PayslipPreview : public QWebEngineView {
  Q_OBJECT

 public:
  explicit PayslipPreview(QWidget *parent = nullptr);
  ~PayslipPreview() override;

  // Shows the document; the text stays available as document() at once, the page follows.
  void showDocument(const QString &html);
  const QString &document() const { return document_; }

 private:
  QWebEngineProfile *profile_;
  std::unique_ptr<QTemporaryDir> largeDocuments_;
  QString document_;
};
