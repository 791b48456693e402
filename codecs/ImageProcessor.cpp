#include "codecs/ImageProcessor.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "codecs/Errors.h"
#include "core/AtomicFile.h"

namespace pixelon {

int CImageCodecProcessor::Run() {
    SetStatus(ImageStatusRunning);
    CImageFile* file = AttachedFile();
    if (!file || !file->IsOpen()) {
        SetStatus(ImageStatusFileError, FileErrorCause::InvalidFile);
        return ImageRunFailed;
    }
    try {
        if (Inputs().empty()) {
            std::unique_ptr<CImageObject> image = ReadImage(*file);
            if (!image)
                return ImageRunFailed;
            Inputs().push_back(std::move(image));
        } else {
            // With no variant chosen the first one in the list applies.
            std::uint16_t parameter = 0;
            if (!m_nVariant && !m_variants.empty())
                m_nVariant = 0;
            if (m_nVariant) {
                if (*m_nVariant >= m_variants.size())
                    return ImageRunFailed;
                parameter = m_variants[*m_nVariant].parameter;
            }
            const CImageObject& image = *Inputs().front();
            if (!image.GetBuffer())
                return ImageRunFailed;
            WriteImage(*file, image, parameter);
        }
    } catch (const EImageFileError& e) {
        SetStatus(ImageStatusFileError, e.Cause());
        return ImageRunFailed;
    } catch (const EFatalError&) {
        return ImageRunFailed;
    } catch (const std::bad_alloc&) {
        return ImageRunFailed;
    }
    Progress(100);
    return ImageRunOk;
}

bool MatchesPattern(const std::string& path, const std::string& pattern) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    const std::string name = lower(path);
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find(';', start);
        if (end == std::string::npos)
            end = pattern.size();
        std::string item = lower(pattern.substr(start, end - start));
        if (item.starts_with("*"))
            item.erase(0, 1);
        if (!item.empty() && name.size() >= item.size() && name.ends_with(item))
            return true;
        start = end + 1;
    }
    return false;
}

std::string CImageCodecManager::Pattern() const {
    std::string joined;
    for (const Factory& make : m_codecs) {
        if (!joined.empty())
            joined += ';';
        joined += make()->Pattern();
    }
    return joined;
}

std::string CImageCodecManager::DefaultExtension() const {
    return m_codecs.empty() ? std::string() : m_codecs.front()()->DefaultExtension();
}

std::optional<std::size_t> CImageCodecManager::WriterFor(const std::string& path) const {
    if (m_nWriter)
        return *m_nWriter < m_codecs.size() ? m_nWriter : std::nullopt;
    for (std::size_t i = 0; i < m_codecs.size(); ++i)
        if (MatchesPattern(path, m_codecs[i]()->Pattern()))
            return i;
    return std::nullopt;
}

int CImageCodecManager::Run(const std::string& path) {
    SetStatus(ImageStatusRunning);
    m_strFileName = path;
    CImageFile file;
    if (Inputs().empty()) {
        if (FileErrorCause cause = file.Open(path, CImageFile::Mode::Read);
            cause != FileErrorCause::None) {
            SetStatus(ImageStatusFileError, cause);
            return ImageRunFailed;
        }
        for (const Factory& make : m_codecs) {
            std::unique_ptr<CImageCodecProcessor> codec = make();
            codec->AttachFile(&file);
            codec->m_onProgress = m_onProgress;
            std::int64_t start = file.Tell();
            int result = codec->Run();
            if (result == ImageRunFailed) {
                try {
                    file.Seek(start);
                } catch (const EImageFileError& e) {
                    SetStatus(ImageStatusFileError, e.Cause());
                    return ImageRunFailed;
                }
                continue;
            }
            SetStatus(codec->Status(), codec->FileCause());
            for (auto& image : codec->Inputs())
                Inputs().push_back(std::move(image));
            return result;
        }
        return ImageRunFailed;
    }

    std::optional<std::size_t> writer = WriterFor(path);
    if (!writer)
        return ImageRunFailed;
    // A failed write must not destroy the file that was there: write beside it, then rename.
    std::optional<AtomicFile> out;
    try {
        out.emplace(path);
    } catch (const EFileError& e) {
        SetStatus(ImageStatusFileError, fileErrorCauseFromErrno(e.Errno()));
        return ImageRunFailed;
    }
    if (FileErrorCause cause = file.OpenForWriting(out->fd()); cause != FileErrorCause::None) {
        SetStatus(ImageStatusFileError, cause);
        return ImageRunFailed;
    }
    std::unique_ptr<CImageCodecProcessor> codec = m_codecs[*writer]();
    codec->AttachFile(&file);
    codec->m_nVariant = m_nVariant;
    codec->m_onProgress = m_onProgress;
    codec->Inputs().push_back(std::move(Inputs().front()));
    int result = codec->Run();
    Inputs().front() = std::move(codec->Inputs().front());
    SetStatus(codec->Status(), codec->FileCause());
    try {
        file.Close();
    } catch (const EImageFileError& e) {
        // The first failure is the one to report: after a failed write the stream's error
        // flag is set and closing it says nothing about the cause.
        if (result == ImageRunOk)
            SetStatus(ImageStatusFileError, e.Cause());
        result = ImageRunFailed;
    }
    if (result == ImageRunOk) {
        try {
            out->commit();
        } catch (const EFileError& e) {
            SetStatus(ImageStatusFileError, fileErrorCauseFromErrno(e.Errno()));
            result = ImageRunFailed;
        }
    }
    return result;
}

std::string CImageCodecManager::FilterList(bool reading) const {
    std::string list;
    if (reading && m_codecs.size() > 1)
        list += "All picture types|" + Pattern() + "|";
    for (const Factory& make : m_codecs) {
        std::unique_ptr<CImageCodecProcessor> codec = make();
        if (!reading && !codec->Variants().empty()) {
            for (const ImageSaveVariant& v : codec->Variants())
                list += codec->Name() + " (" + v.name + ")|" + codec->Pattern() + "|";
        } else {
            list += codec->Name() + "|" + codec->Pattern() + "|";
        }
    }
    list += "All Files (*.*)|*.*||";
    return list;
}

} // namespace pixelon
