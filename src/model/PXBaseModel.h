#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>

// Root of the app's models. A model is filled from a dictionary by assigning
// each entry to the declared property of the same name; "id" goes to ID, and
// keys without a property are ignored.
class PXBaseModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString ID READ ID WRITE setID)
public:
    PXBaseModel() = default;

    template<typename Model> static std::unique_ptr<Model> modelWithDic(const QVariantMap &dic)
    {
        auto model = std::make_unique<Model>();
        model->initWithDic(dic);
        return model;
    }

    void initWithDic(const QVariantMap &dic);

    QString ID() const { return m_ID; }
    void setID(const QString &ID) { m_ID = ID; }

private:
    QString m_ID;
};
