// The application's string table: every text that message boxes, captions, columns and tool
// tips show, by identifier (StringId.h). The tables are resources of the program
// (app/resources/strings): English, which ships, and a Korean table that differs in string
// 130 ("Korean") and so selects the Korean column proportions of the list views.
#pragma once
#include <QHash>
#include <QList>
#include <QString>

namespace cv7::app {

class StringTable {
 public:
  enum class Language { English, Korean };

  explicit StringTable(Language language = Language::English);

  Language language() const { return language_; }
  // The text of `id`; empty when the table has none (as a failed string load).
  QString text(int id) const;
  // As a message box loads them: id 0 is "No message" as a text and "No title" as a title.
  QString messageText(int id) const;
  QString titleText(int id) const;
  bool contains(int id) const { return texts_.contains(id); }
  QList<int> ids() const { return texts_.keys(); }
  // True when string 130 reads "Korean": the list views use their Korean column widths.
  bool isKorean() const;

 private:
  Language language_;
  QHash<int, QString> texts_;
};

}  // namespace cv7::app
