#include "effects/Matrix4.h"

#include <cmath>

void Matrix4::setIdentity() {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) m[i][j] = (i == j) ? 1.0f : 0.0f;
    }
}

void Matrix4::copy(const Matrix4& other) { *this = other; }

Matrix4 Matrix4::multiply(const Matrix4& other) const {
    Matrix4 product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = m[i][0] * other.m[0][j];
            sum = sum + m[i][1] * other.m[1][j];
            sum = sum + m[i][2] * other.m[2][j];
            sum = sum + m[i][3] * other.m[3][j];
            product.m[i][j] = sum;
        }
    }
    return product;
}

Vector3 Matrix4::transform(const Vector3& p) const {
    Vector3 out;
    out.x = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0];
    out.y = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1];
    out.z = p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2];
    return out;
}

Matrix4 Matrix4::rotation(float a, float b, float c) {
    Matrix4 aboutX;
    aboutX.setIdentity();
    aboutX.m[1][1] = std::cos(a);
    aboutX.m[1][2] = std::sin(a);
    aboutX.m[2][1] = -std::sin(a);
    aboutX.m[2][2] = std::cos(a);

    Matrix4 aboutY;
    aboutY.setIdentity();
    aboutY.m[0][0] = std::cos(b);
    aboutY.m[0][2] = -std::sin(b);
    aboutY.m[2][0] = std::sin(b);
    aboutY.m[2][2] = std::cos(b);

    Matrix4 aboutZ;
    aboutZ.setIdentity();
    aboutZ.m[0][0] = std::cos(c);
    aboutZ.m[0][1] = std::sin(c);
    aboutZ.m[1][0] = -std::sin(c);
    aboutZ.m[1][1] = std::cos(c);

    return aboutX.multiply(aboutY).multiply(aboutZ);
}
