#pragma once

#include "core/project/DeletePhotoEdit.h"

#include <QByteArray>
#include <QList>
#include <memory>
#include <vector>

// Deletes several photos at once (the photo list's Delete on a selection),
// each exactly as the delete-photo dialog deletes one, in the given order.
class DeletePhotosEdit : public ProjectEdit
{
public:
    explicit DeletePhotosEdit(const QList<QByteArray> &keyTexts);

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    ProjectChanges Changes() const override;
    QString Name() const override;

private:
    std::vector<std::unique_ptr<DeletePhotoEdit>> m_deletes;
};
