#pragma once

#include <QString>

// The one question for files the project would no longer find by the names
// it stores (a save into another folder, a first save, a map chosen from
// outside the project's folder): carry copies along, store names that
// resolve from the new place, or do nothing.
class RelocationQuestion
{
public:
    enum class Answer { Carry, Repath, Cancel };

    // photos and map: which files it concerns; folder: the project's (new)
    // folder; saving: the question comes before a save (Cancel then writes
    // nothing), else before a map chosen in the map dialog is set.
    static Answer Ask(int photos, bool map, const QString &folder, bool saving);
};
