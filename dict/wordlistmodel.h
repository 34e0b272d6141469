#pragma once

#include "dict/wordlist.h"

#include <QAbstractListModel>
#include <QString>

namespace kalamora::dict {

// A list box's items for a QListView: the words stay UTF-8 in a WordList and
// become QStrings only for the rows the view paints, so the full word list
// costs neither 25,000 widgets nor 25,000 strings up front.
class WordListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void setWords(std::vector<std::string> words);
    void clear() { setWords({}); }
    const WordList &list() const { return m_list; }
    QString word(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    WordList m_list;
};

} // namespace kalamora::dict
