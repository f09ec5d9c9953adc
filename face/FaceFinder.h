#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Finds the faces of a picture and their 68 landmark points with dlib's frontal
// face detector and its shape predictor. The detector looks at a grey copy whose
// long side is about 1000 pixels; the points are placed on the full picture.
// The predictor's model is the file that Debian's libdlib-data installs; it is
// loaded once, at the first use, and then shared.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "face/FoundFace.h"

// The model file is missing or unreadable: face recognition is not installed.
class FaceRecognitionUnavailable : public std::runtime_error {
public:
    explicit FaceRecognitionUnavailable(const std::string& detail) : std::runtime_error(detail) {}
};

class FaceFinder {
public:
    // Where Debian puts the model.
    static constexpr const char* kDefaultModelPath = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";

    explicit FaceFinder(std::string modelPath);
    ~FaceFinder();
    FaceFinder(const FaceFinder&) = delete;
    FaceFinder& operator=(const FaceFinder&) = delete;

    // The finder every caller shares: the model at GRIMASSO_FACE_MODEL when that
    // is set, else at kDefaultModelPath.
    static FaceFinder& Shared();

    // Loads the model unless it is loaded; raises FaceRecognitionUnavailable.
    void LoadModel();
    bool IsModelLoaded() const;

    // The faces of a 24-bit picture (bottom-up rows of blue, green, red), the
    // largest first. Loads the model at the first call; raises
    // FaceRecognitionUnavailable. Safe to call from any thread.
    std::vector<FoundFace> Find(std::int32_t width, std::int32_t height, const std::uint8_t* rows,
                                std::size_t rowBytes);

    // The model's mean face: the predictor's initial shape, the first value
    // serialised after its version number, in the model's unit box (x from
    // the left, y from the top). Read once from the model file, without the
    // rest of the model; raises FaceRecognitionUnavailable.
    const std::array<FacePoint, FoundFace::kPointCount>& MeanFace();

private:
    struct Model;
    std::string m_modelPath;
    mutable std::mutex m_mutex;
    std::unique_ptr<Model> m_model;
    std::unique_ptr<std::array<FacePoint, FoundFace::kPointCount>> m_meanFace;
};
