// One entry of the archive as its local header describes it. Hosts receive
// these from Bundlet::GetEntry and cannot create them through the factory.
#pragma once

#include "zipctl/bundlexglobal.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class BUNDLEX_EXPORT ZipFileEntry : public QObject
{
    Q_OBJECT
    // Interface order; all read/write, no behaviour.
    Q_PROPERTY(qint16 Version READ Version WRITE setVersion)
    Q_PROPERTY(qint16 Flag READ Flag WRITE setFlag)
    Q_PROPERTY(qint16 CompressionMethod READ CompressionMethod WRITE setCompressionMethod)
    Q_PROPERTY(QString FileDateTime READ FileDateTime WRITE setFileDateTime)
    Q_PROPERTY(qint32 CRC32 READ CRC32 WRITE setCRC32)
    Q_PROPERTY(qint32 CompressedSize READ CompressedSize WRITE setCompressedSize)
    Q_PROPERTY(qint32 UncompressedSize READ UncompressedSize WRITE setUncompressedSize)
    Q_PROPERTY(qint16 FileNameLength READ FileNameLength WRITE setFileNameLength)
    Q_PROPERTY(qint16 ExtraFieldLength READ ExtraFieldLength WRITE setExtraFieldLength)
    Q_PROPERTY(QString Filename READ Filename WRITE setFilename)

public:
    explicit ZipFileEntry(QObject *parent = nullptr);
    ~ZipFileEntry() override;

    qint16 Version() const { return m_version; }
    void setVersion(qint16 v) { m_version = v; }
    qint16 Flag() const { return m_flag; }
    void setFlag(qint16 v) { m_flag = v; }
    qint16 CompressionMethod() const { return m_compressionMethod; }
    void setCompressionMethod(qint16 v) { m_compressionMethod = v; }
    // "yyyy-MM-dd hh:mm:ss" from the header's DOS date and time, the same in
    // every locale; empty when those fields hold no real date.
    QString FileDateTime() const;
    void setFileDateTime(const QString &v)
    {
        m_fileDateTime = v;
        m_dosTimeSet = false;
    }
    // The header's DOS date and time words, turned into FileDateTime's text
    // when it is first asked for (a listing of many entries never formats a
    // date it does not show).
    void setDosDateTime(quint16 date, quint16 time);
    qint32 CRC32() const { return m_crc32; }
    void setCRC32(qint32 v) { m_crc32 = v; }
    qint32 CompressedSize() const { return m_compressedSize; }
    void setCompressedSize(qint32 v) { m_compressedSize = v; }
    qint32 UncompressedSize() const { return m_uncompressedSize; }
    void setUncompressedSize(qint32 v) { m_uncompressedSize = v; }
    qint16 FileNameLength() const { return m_fileNameLength; }
    void setFileNameLength(qint16 v) { m_fileNameLength = v; }
    qint16 ExtraFieldLength() const { return m_extraFieldLength; }
    void setExtraFieldLength(qint16 v) { m_extraFieldLength = v; }
    // The full stored name, path included; UTF-8 when the bytes are UTF-8,
    // otherwise one character per byte.
    QString Filename() const { return m_filename; }
    void setFilename(const QString &v) { m_filename = v; }

    // The stored name's bytes exactly as in the archive, handed back to the
    // zip library so that names in any encoding find their entry. Follows
    // setFilename (as UTF-8) when a host renames the entry.
    QByteArray storedName() const;
    void setStoredName(const QByteArray &raw) { m_storedName = raw; }

private:
    qint16 m_version = 0;
    qint16 m_flag = 0;
    qint16 m_compressionMethod = 0;
    mutable QString m_fileDateTime;
    quint16 m_dosDate = 0;
    quint16 m_dosTime = 0;
    mutable bool m_dosTimeSet = false;
    qint32 m_crc32 = 0;
    qint32 m_compressedSize = 0;
    qint32 m_uncompressedSize = 0;
    qint16 m_fileNameLength = 0;
    qint16 m_extraFieldLength = 0;
    QString m_filename;
    QByteArray m_storedName;
};
