#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/ImageObject.h"

namespace pixelon {

// Results of a run.
constexpr int ImageRunOk = 0;
constexpr int ImageRunFailed = 2;

// Processor status.
constexpr int ImageStatusRunning = 1; // while running, and after success
constexpr int ImageStatusFileError = 3;

// An operation over image objects: an input list, an attached file, a status and progress.
class CImageProcessor {
public:
    virtual ~CImageProcessor() = default;

    std::vector<std::unique_ptr<CImageObject>>& Inputs() { return m_inputs; }
    const std::vector<std::unique_ptr<CImageObject>>& Inputs() const { return m_inputs; }
    // The file is not owned; the caller keeps it open for the run.
    void AttachFile(CImageFile* file) { m_pFile = file; }
    CImageFile* AttachedFile() const { return m_pFile; }

    int Status() const { return m_nStatus; }
    FileErrorCause FileCause() const { return m_fileCause; }

    // Index of the chosen save variant, none until set.
    std::optional<std::size_t> m_nVariant;

    // Called with each percentage the default Progress reports.
    std::function<void(int)> m_onProgress;

protected:
    virtual void Progress(int percent) {
        if (m_onProgress)
            m_onProgress(percent);
    }
    void SetStatus(int status, FileErrorCause cause = FileErrorCause::None) {
        m_nStatus = status;
        m_fileCause = cause;
    }

private:
    std::vector<std::unique_ptr<CImageObject>> m_inputs;
    CImageFile* m_pFile = nullptr;
    int m_nStatus = ImageStatusRunning;
    FileErrorCause m_fileCause = FileErrorCause::None;
};

struct ImageSaveVariant {
    std::string name;
    std::uint16_t parameter;
};

// A codec: reads one file format into a new image object, or writes the first input.
class CImageCodecProcessor : public CImageProcessor {
public:
    virtual std::string Name() const = 0;
    virtual std::string Pattern() const = 0;
    virtual std::string DefaultExtension() const = 0;
    const std::vector<ImageSaveVariant>& Variants() const { return m_variants; }

    // Reads when the input list is empty, else writes its first image. 0 on success, 2 when
    // the file is not of this format or a file error occurs (status 3 then).
    virtual int Run();

protected:
    explicit CImageCodecProcessor(std::vector<ImageSaveVariant> variants = {})
        : m_variants(std::move(variants)) {}
    // Raise EFatalError for a file not of this format or beyond use, EImageFileError on file
    // errors.
    virtual std::unique_ptr<CImageObject> ReadImage(CImageFile& file) = 0;
    virtual void WriteImage(CImageFile& file, const CImageObject& image,
                            std::uint16_t variantParameter) = 0;

private:
    std::vector<ImageSaveVariant> m_variants;
};

// Holds registered codec classes and hands a file to the right one.
class CImageCodecManager : public CImageCodecProcessor {
public:
    using Factory = std::function<std::unique_ptr<CImageCodecProcessor>()>;

    template <class Codec> void RegisterCodec() {
        m_codecs.push_back([] { return std::make_unique<Codec>(); });
    }
    void RegisterCodec(Factory factory) { m_codecs.push_back(std::move(factory)); }
    std::size_t CodecCount() const { return m_codecs.size(); }

    std::string Name() const override { return "All picture types"; }
    std::string Pattern() const override;
    std::string DefaultExtension() const override;

    // The codec class (registration index) and variant used for writing.
    void ChooseWriter(std::size_t codec, std::optional<std::size_t> variant = {}) {
        m_nWriter = codec;
        m_nVariant = variant;
    }

    // Reads `path` with the first registered codec that accepts it, or writes the first input
    // image with the chosen writer (by default the codec whose pattern matches the extension).
    // Writing goes to a temporary file beside `path` that replaces it only on success.
    int Run(const std::string& path);
    // The file dialog's filter list: "label|pattern|" entries ending with one more "|".
    std::string FilterList(bool reading) const;

    std::string m_strFileName;

private:
    int Run() override { return Run(m_strFileName); }
    std::unique_ptr<CImageObject> ReadImage(CImageFile&) override { return {}; }
    void WriteImage(CImageFile&, const CImageObject&, std::uint16_t) override {}
    std::optional<std::size_t> WriterFor(const std::string& path) const;

    std::vector<Factory> m_codecs;
    std::optional<std::size_t> m_nWriter;
};

// Whether `path` ends with one of the extensions of a pattern such as "*.jpg;*.jpeg",
// ignoring case.
bool MatchesPattern(const std::string& path, const std::string& pattern);

} // namespace pixelon
