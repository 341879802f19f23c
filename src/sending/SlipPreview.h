#pragma once

#include <QWebEngineView>

// Shows one payslip document. A workbook's cell texts are markup in the payslip, so the view
// runs no script and loads nothing beyond the document itself: JavaScript off, no remote or
// file access for the content, and every request but the document's own refused.
class SlipPreview : public QWebEngineView {
  Q_OBJECT

 public:
  explicit SlipPreview(QWidget *parent = nullptr);

  // The document as the view's whole content; an empty text gives an empty page.
  void showDocument(const QString &html);
};
