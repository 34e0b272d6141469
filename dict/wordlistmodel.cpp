#include "dict/wordlistmodel.h"

namespace kalamora::dict {

void WordListModel::setWords(std::vector<std::string> words)
{
    beginResetModel();
    m_list.assign(std::move(words));
    endResetModel();
}

QString WordListModel::word(int row) const
{
    if (row < 0 || row >= m_list.size())
        return {};
    return QString::fromUtf8(m_list.at(row));
}

int WordListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.size();
}

QVariant WordListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_list.size())
        return {};
    return word(index.row());
}

} // namespace kalamora::dict
