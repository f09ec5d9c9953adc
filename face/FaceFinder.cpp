// SPDX-License-Identifier: GPL-3.0-or-later
// The only file that includes dlib: its headers take long to compile.
#include "face/FaceFinder.h"

#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_transforms.h>
#include <dlib/serialize.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "image/RowBands.h"

namespace {

// The detector's copy has about this long a side; it finds faces from about a
// tenth of it.
constexpr std::int32_t kDetectionLongSide = 1000;
// Smaller pictures are doubled first, so that small faces reach the detector's
// smallest window (80 pixels).
constexpr std::int32_t kDoubleBelowLongSide = 600;
// The predictor looks at the face's box and this much of its size around it.
constexpr double kLandmarkMargin = 0.25;
// Windows the detector only just accepts are mostly round badges and patterns;
// real faces score well above this.
constexpr double kMinimumConfidence = 0.2;

using GreyImage = dlib::array2d<unsigned char>;

// A bottom-up 24-bit picture seen from the top row down.
struct PictureRows {
    std::int32_t width;
    std::int32_t height;
    const std::uint8_t* rows;
    std::size_t rowBytes;

    const std::uint8_t* RowFromTop(std::int32_t y) const
    {
        return rows + static_cast<std::size_t>(height - 1 - y) * rowBytes;
    }
};

unsigned Grey(const std::uint8_t* bgr)
{
    return (29u * bgr[0] + 150u * bgr[1] + 77u * bgr[2] + 128u) >> 8;
}

// The grey picture averaged down to width x height (each target pixel the mean
// of the source pixels it covers).
void AverageDown(const PictureRows& picture, std::int32_t width, std::int32_t height, GreyImage& grey)
{
    grey.set_size(height, width);
    std::vector<std::int32_t> columnStart(static_cast<std::size_t>(width) + 1);
    for (std::int32_t x = 0; x <= width; ++x)
        columnStart[static_cast<std::size_t>(x)] =
            static_cast<std::int32_t>(std::int64_t{x} * picture.width / width);
    ForEachRowBand(height, std::int64_t{picture.width} * picture.height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        std::vector<std::uint32_t> sums(static_cast<std::size_t>(width));
        for (std::int32_t ty = rowBegin; ty < rowEnd; ++ty) {
            const auto y0 = static_cast<std::int32_t>(std::int64_t{ty} * picture.height / height);
            const auto y1 = std::max(y0 + 1, static_cast<std::int32_t>(std::int64_t{ty + 1} * picture.height / height));
            std::fill(sums.begin(), sums.end(), 0u);
            for (std::int32_t y = y0; y < y1; ++y) {
                const std::uint8_t* row = picture.RowFromTop(y);
                for (std::int32_t tx = 0; tx < width; ++tx) {
                    const std::int32_t x0 = columnStart[static_cast<std::size_t>(tx)];
                    const std::int32_t x1 = std::max(x0 + 1, columnStart[static_cast<std::size_t>(tx) + 1]);
                    std::uint32_t sum = 0;
                    for (std::int32_t x = x0; x < x1; ++x)
                        sum += Grey(row + 3 * static_cast<std::size_t>(x));
                    sums[static_cast<std::size_t>(tx)] += sum;
                }
            }
            for (std::int32_t tx = 0; tx < width; ++tx) {
                const std::int32_t x0 = columnStart[static_cast<std::size_t>(tx)];
                const std::int32_t x1 = std::max(x0 + 1, columnStart[static_cast<std::size_t>(tx) + 1]);
                const std::uint32_t count = static_cast<std::uint32_t>((x1 - x0) * (y1 - y0));
                grey[ty][tx] = static_cast<unsigned char>((sums[static_cast<std::size_t>(tx)] + count / 2) / count);
            }
        }
    });
}

// The grey pixels of the box [x0, x1) x [y0, y1) of the picture.
void CropGrey(const PictureRows& picture, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, GreyImage& grey)
{
    grey.set_size(y1 - y0, x1 - x0);
    for (std::int32_t y = y0; y < y1; ++y) {
        const std::uint8_t* row = picture.RowFromTop(y);
        for (std::int32_t x = x0; x < x1; ++x)
            grey[y - y0][x - x0] = static_cast<unsigned char>(Grey(row + 3 * static_cast<std::size_t>(x)));
    }
}

}  // namespace

struct FaceFinder::Model {
    dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
    dlib::shape_predictor predictor;
};

FaceFinder::FaceFinder(std::string modelPath) : m_modelPath(std::move(modelPath)) {}

FaceFinder::~FaceFinder() = default;

FaceFinder& FaceFinder::Shared()
{
    static FaceFinder shared([] {
        const char* path = std::getenv("GRIMASSO_FACE_MODEL");
        return std::string(path && *path ? path : kDefaultModelPath);
    }());
    return shared;
}

void FaceFinder::LoadModel()
{
    std::lock_guard lock(m_mutex);
    if (m_model)
        return;
    std::ifstream file(m_modelPath, std::ios::binary);
    if (!file)
        throw FaceRecognitionUnavailable(m_modelPath);
    auto model = std::make_unique<Model>();
    try {
        dlib::deserialize(model->predictor, file);
    } catch (const std::exception&) {
        // dlib's serialization_error, or a read failure of a cut-off file.
        throw FaceRecognitionUnavailable(m_modelPath);
    }
    if (model->predictor.num_parts() != FoundFace::kPointCount)
        throw FaceRecognitionUnavailable(m_modelPath);
    m_model = std::move(model);
}

const std::array<FacePoint, FoundFace::kPointCount>& FaceFinder::MeanFace()
{
    std::lock_guard lock(m_mutex);
    if (m_meanFace)
        return *m_meanFace;
    std::ifstream file(m_modelPath, std::ios::binary);
    if (!file)
        throw FaceRecognitionUnavailable(m_modelPath);
    // What the predictor's own deserialisation reads first.
    int version = 0;
    dlib::matrix<float, 0, 1> initialShape;
    try {
        dlib::deserialize(version, file);
        dlib::deserialize(initialShape, file);
    } catch (const std::exception&) {
        throw FaceRecognitionUnavailable(m_modelPath);
    }
    if (version != 1 || initialShape.size() != 2 * static_cast<long>(FoundFace::kPointCount))
        throw FaceRecognitionUnavailable(m_modelPath);
    auto mean = std::make_unique<std::array<FacePoint, FoundFace::kPointCount>>();
    for (std::size_t i = 0; i < FoundFace::kPointCount; ++i)
        (*mean)[i] = {initialShape(static_cast<long>(2 * i)), initialShape(static_cast<long>(2 * i + 1))};
    m_meanFace = std::move(mean);
    return *m_meanFace;
}

bool FaceFinder::IsModelLoaded() const
{
    std::lock_guard lock(m_mutex);
    return m_model != nullptr;
}

std::vector<FoundFace> FaceFinder::Find(std::int32_t width, std::int32_t height, const std::uint8_t* rows,
                                        std::size_t rowBytes)
{
    LoadModel();
    std::vector<FoundFace> faces;
    if (width <= 0 || height <= 0 || !rows)
        return faces;
    const PictureRows picture{width, height, rows, rowBytes};

    // The detector's copy and its scale (copy pixels per picture pixel).
    GreyImage grey;
    double scale = 1.0;
    const std::int32_t longSide = std::max(width, height);
    if (longSide > kDetectionLongSide) {
        scale = static_cast<double>(kDetectionLongSide) / longSide;
        AverageDown(picture, std::max(1, static_cast<std::int32_t>(std::lround(width * scale))),
                    std::max(1, static_cast<std::int32_t>(std::lround(height * scale))), grey);
        scale = static_cast<double>(grey.nc()) / width;
    } else {
        CropGrey(picture, 0, 0, width, height, grey);
        if (longSide < kDoubleBelowLongSide) {
            dlib::pyramid_up(grey);
            scale = static_cast<double>(grey.nc()) / width;
        }
    }

    std::lock_guard lock(m_mutex);  // the detector keeps scratch of its own
    std::vector<dlib::rect_detection> found;
    m_model->detector(grey, found);
    for (const dlib::rect_detection& detection : found) {
        if (detection.detection_confidence < kMinimumConfidence)
            continue;
        const dlib::rectangle& r = detection.rect;
        FoundFace face;
        face.box.left = r.left() / scale;
        face.box.top = r.top() / scale;
        face.box.width = static_cast<double>(r.width()) / scale;
        face.box.height = static_cast<double>(r.height()) / scale;
        // The points on the full picture, from a crop around the face.
        const double margin = kLandmarkMargin * std::max(face.box.width, face.box.height);
        const auto x0 = static_cast<std::int32_t>(std::clamp(std::floor(face.box.left - margin), 0.0, width - 1.0));
        const auto y0 = static_cast<std::int32_t>(std::clamp(std::floor(face.box.top - margin), 0.0, height - 1.0));
        const auto x1 = static_cast<std::int32_t>(std::clamp(std::ceil(face.box.left + face.box.width + margin), x0 + 1.0, double(width)));
        const auto y1 = static_cast<std::int32_t>(std::clamp(std::ceil(face.box.top + face.box.height + margin), y0 + 1.0, double(height)));
        GreyImage crop;
        CropGrey(picture, x0, y0, x1, y1, crop);
        const dlib::rectangle inCrop(std::lround(face.box.left) - x0, std::lround(face.box.top) - y0,
                                     std::lround(face.box.left + face.box.width) - x0 - 1,
                                     std::lround(face.box.top + face.box.height) - y0 - 1);
        const dlib::full_object_detection shape = m_model->predictor(crop, inCrop);
        for (std::size_t i = 0; i < FoundFace::kPointCount; ++i)
            face.points[i] = {static_cast<double>(shape.part(static_cast<unsigned long>(i)).x() + x0),
                              static_cast<double>(shape.part(static_cast<unsigned long>(i)).y() + y0)};
        faces.push_back(face);
    }
    std::stable_sort(faces.begin(), faces.end(),
                     [](const FoundFace& a, const FoundFace& b) { return a.box.Area() > b.box.Area(); });
    return faces;
}
