#include "filter/tag.h"

#include <cstdio>

#include "filter/markboard.h"
#include "query/util.h"

Tag::Tag(const char* tagName, const pieceLoc* designator, const MarkBoard* markBoard)
    : name(tagName), board(markBoard) {
    ASSERT(board != nullptr);
    if (designator != nullptr) {
        pieceloc.reset(designator->clone());
        piecemask = designator->piecemask;
    }
}

int Tag::square() const {
    return board->squareOf(mark);
}

bool Tag::on(int sq) const {
    return board->squares_to_marks[sq] == mark;
}

void Tag::print() const {
    printf("Tag: %s: mark: %d ", name.c_str(), mark);
    if (pieceloc) {
        printf("Tag's pieceloc: ");
        pieceloc->print();
        printf("end tag's pieceloc. ");
    }
    printf("piecemask: %x ", piecemask);
    printf("End tag: %s. ", name.c_str());
}

Tag* TagTable::makeTag(const char* name, const pieceLoc* designator, const MarkBoard* board) {
    util::uassert(findTag(name) == nullptr, "Existing tag by that name");
    // Refused while the query is read, before any file is opened.
    util::uassert(ntags() < ntags_max, "ONly one or two tags supported");
    allTags.push_back(std::make_unique<Tag>(name, designator, board));
    return allTags.back().get();
}

Tag* TagTable::findTag(const char* name) const {
    for (const auto& tag : allTags)
        if (tag->name == name) return tag.get();
    return nullptr;
}

Tag* TagTable::getTag(int i) const {
    ASSERT(i >= 0 && i < ntags());
    return allTags[i].get();
}

void TagTable::initializeTags() {
    for (int i = 0; i < ntags(); i++) allTags[i]->mark = i;
}

bool TagTable::nextTagMarkers(int nmarkers) {
    ASSERT(ntags() == 1 || ntags() == 2);
    if (ntags() == 1) return ++allTags[0]->mark < nmarkers;
    // Ordered pairs of distinct marks, the first tag's mark the slower.
    int& m0 = allTags[0]->mark;
    int& m1 = allTags[1]->mark;
    do {
        if (m0 >= nmarkers) return false;
        if (++m1 >= nmarkers) {
            m1 = 0;
            if (++m0 >= nmarkers) return false;
        }
    } while (m0 == m1);
    return true;
}

bool TagTable::bindingPossible(const uint32_t* piecemasks) const {
    for (const auto& tag : allTags)
        if ((piecemasks[tag->mark] & tag->piecemask) == 0) return false;
    return true;
}
