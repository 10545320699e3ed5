#include "calc/calculate.h"

#include <cstring>
#include <stdexcept>

#include "calc/numeric.h"
#include "calc/result_labels.h"

namespace wormpair {

namespace {

// Every formula starts from an Extended so that the whole expression is
// evaluated in extended precision, never in double.
Extended X(double v) { return Extended(v); }
Extended X(std::int32_t v) { return Extended(v); }
Extended X(std::int64_t v) { return Extended(v); }

double R3(Extended x) { return roundToDecimals(toDouble(x), 3); }
double R2(Extended x) { return roundToDecimals(toDouble(x), 2); }
double R0(Extended x) { return roundToDecimals(toDouble(x), 0); }

// Keeps the low 32 bits, as a 32-bit field receives a 64-bit integer.
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

// Inclination beta of the generating plane, in degrees, between -90 and 90.
double generatingPlaneInclination(std::int32_t offset, double alpha, double d2, double a, double i) {
    const Extended cosOffset = cosine((X(offset) + alpha) * kPiOver180);
    const Extended cosAlpha = cosine(X(alpha) * kPiOver180);
    const Extended numerator = cosAlpha * (cosOffset * d2 / a / 2);
    const Extended denominator = (cosOffset - cosAlpha * (X(d2) / a / 2)) * i;
    return toDouble(toDegrees(arcTangent(numerator / denominator)));
}

class Run {
public:
    Run(const CalculationInputs& in, const CoefficientSet& c, DesignRecord& r, ResultView& view)
        : in(in), c(c), r(r), view(view) {}

    // Returns false when the ratio does not match teeth / starts.
    bool execute();

private:
    // Writes the label with the number of the record field it shows, so the
    // field must be stored first.
    void write(const ResultLabel& label) {
        const std::string_view value = labelValueText(r, label, m_number);
        // number and suffix side by side in one buffer: no allocation per label
        const std::size_t length = value.size() + label.suffix.size();
        if (length > sizeof m_text) throw std::length_error("label text too long");
        std::memcpy(m_text, value.data(), value.size());
        std::memcpy(m_text + value.size(), label.suffix.data(), label.suffix.size());
        view.setLabelText(label.name, std::string_view(m_text, length));
    }
    void wormGeometry();
    void transmission();
    void hob();
    void wheel();
    void valuesFromWorkingLength();
    void tipWidths();
    void modification();

    const CalculationInputs& in;
    const CoefficientSet& c;
    DesignRecord& r;
    ResultView& view;
    char m_text[128];       // one buffer for every label text of the run
    FormatBuffer m_number;  // and one for the number in it
};

bool Run::execute() {
    // 2. main inputs, stored as soon as read
    r.centreDistance = parseReal(in.centreDistance);
    r.actualRatio = parseReal(in.actualRatio);
    r.wheelTeeth = parseInteger(in.wheelTeeth);
    r.wormStarts = parseInteger(in.wormStarts);

    // 3. the ratio must be teeth / starts within 0.001; z1 = 0 fails the division
    const Extended toothRatio = X(r.wheelTeeth) / X(r.wormStarts);
    if (!(absolute(X(r.actualRatio) - toothRatio) <= Extended(0.001L))) return false;

    // 4.
    r.inclinationAngleOffset = r.actualRatio < 10 ? 4 : 6;

    // 5. recommended parameters
    r.mainBaseDiameter = parseReal(in.mainBaseDiameter);
    r.tipEccentricity = parseReal(in.tipEccentricity);
    r.wormReferenceDiameter = parseReal(in.wormReferenceDiameter);
    r.backlash = parseReal(in.backlash);
    write(resultLabel("Label24"));

    wormGeometry();
    transmission();
    hob();
    wheel();
    valuesFromWorkingLength();
    tipWidths();
    modification();
    return true;
}

void Run::wormGeometry() {
    const double a = r.centreDistance;
    const double d1 = r.wormReferenceDiameter;

    r.wheelReferenceDiameter = R3(X(2) * a - d1);
    write(resultLabel("Label23"));
    const double d2 = r.wheelReferenceDiameter;

    r.transverseModule = R3(X(d2) / r.wheelTeeth);
    const double mt = r.transverseModule;
    r.dedendum = R3(X(c.dedendumFactor) * mt);
    r.wormThroatRootDiameter = R3(X(d1) - X(2) * r.dedendum);
    r.wormRootArcRadius = R3(X(a) - X(r.wormThroatRootDiameter) / 2);
    write(resultLabel("Label8"));

    r.addendum = R3(X(c.addendumFactor) * mt);
    r.wormThroatTipDiameter = toDouble(X(2) * r.addendum + d1);
    r.wormTipArcRadius = R3(X(a) - X(r.wormThroatTipDiameter) / 2 + r.tipEccentricity);
    write(resultLabel("Label9"));

    r.angularPitch = R3(X(360) / r.wheelTeeth);

    // wrapped teeth: halves for a last digit of 5 to 9, whole otherwise
    const std::int32_t z2 = r.wheelTeeth;
    const std::int64_t nearestTen = 10 * roundToInteger(X(z2) / 10 + Extended(0.01L));
    Extended wrapped;
    if (z2 < nearestTen) {
        wrapped = X(trunc(X(z2) / 10 - Extended(0.5))) + Extended(0.5) + c.wrapAddition;
    } else {
        wrapped = X(trunc(X(z2) / 10 + Extended(0.5))) + c.wrapAddition;
    }
    if (in.wholeNumber) wrapped = X(trunc(X(z2) / 10 + Extended(0.5)));
    if (wrapped > X(c.wrappedTeethLimit)) wrapped = X(c.wrappedTeethLimit);
    r.wrappedTeeth = toDouble(wrapped);

    r.workingHalfWrapAngle =
        R3(Extended(0.5) * r.angularPitch * (X(r.wrappedTeeth) - c.wrapDeduction));
    r.wormWorkingLength = R0(sine(toRadians(r.workingHalfWrapAngle)) * d2 + 1);
    write(resultLabel("Label10"));

    r.shoulder = low32(trunc(X(c.shoulderFactor) * mt));
    write(resultLabel("Label11"));

    write(resultLabel("Label12"));
}

void Run::transmission() {
    const double a = r.centreDistance;
    const double i = r.actualRatio;
    const double d2 = r.wheelReferenceDiameter;

    r.throatLeadAngleRadians = toDouble(arcTangent(X(d2) / i / r.wormReferenceDiameter));
    r.throatLeadAngle = R3(toDegrees(r.throatLeadAngleRadians));
    r.pressureAngle = R3(toDegrees(arcSine(X(r.mainBaseDiameter) / d2)));
    const double alpha = r.pressureAngle;
    view.setLabelWarning("Label14", warningReason(r, "Label14"));
    write(resultLabel("Label14"));

    r.circularPitch = R3(Extended(kPi) * r.transverseModule);

    r.motherPlaneInclination = generatingPlaneInclination(r.inclinationAngleOffset, alpha, d2, a, i);
    r.motherPlaneInclinationText = formatReal(roundToDecimals(r.motherPlaneInclination, 3));
    write(resultLabel("Label13"));

    const double p = r.circularPitch;
    r.wormToothThickness = R3(X(p) - X(c.wheelToothShare) * p - r.backlash);
    r.wormNormalChordalThickness =
        R3(cosine(toRadians(r.throatLeadAngle)) * r.wormToothThickness);
    write(resultLabel("Label16"));
    r.wormNormalChordalHeight =
        R3(X(r.addendum) -
           (Extended(1) - cosine(arcSine(X(r.wormToothThickness) / d2))) * (Extended(0.5) * d2));
    write(resultLabel("Label17"));

    write(resultLabel("Label25"));
    write(resultLabel("Label26"));
    write(resultLabel("Label27"));
    view.setLabelWarning("Label28", warningReason(r, "Label28"));
    write(resultLabel("Label28"));
}

void Run::hob() {
    const double mt = r.transverseModule;
    const double d2 = r.wheelReferenceDiameter;

    r.hobTipArcRadius =
        R3(X(r.wormTipArcRadius) - Extended(0.2L) * mt - X(c.hobClearanceFactor) * mt);

    r.wormThroatRootDiameterShown = R2((X(r.centreDistance) - r.wormRootArcRadius) * 2);
    view.setLabelWarning("Label53", warningReason(r, "Label53"));
    write(resultLabel("Label53"));

    write(resultLabel("Label18"));
    r.hobRootArcRadius = (X(r.wormRootArcRadius) + c.hobRootArcIncrement).value();
    write(resultLabel("Label19"));

    r.hobWrappedTeeth = toDouble(X(trunc(X(r.wrappedTeeth))) + c.hobWrapAddition);
    r.hobHalfWrapAngle =
        R3(Extended(0.5) * r.angularPitch * (X(r.hobWrappedTeeth) - c.hobWrapDeduction));
    r.hobEffectiveLength = R0(sine(toRadians(r.hobHalfWrapAngle)) * d2 + Extended(0.5));
    write(resultLabel("Label20"));

    r.hobNormalChordalThickness = (X(r.wormNormalChordalThickness) + r.backlash).value();
    write(resultLabel("Label21"));
    r.hobToothThickness =
        R3(Extended(r.hobNormalChordalThickness) / cosine(toRadians(r.throatLeadAngle)));
    r.hobNormalChordalHeight = R3(Extended(0.2L) * mt + r.wormNormalChordalHeight +
                                  X(c.hobClearanceFactor) * mt);
    write(resultLabel("Label22"));
    write(resultLabel("Label29"));
}

void Run::wheel() {
    const double mt = r.transverseModule;
    const double d2 = r.wheelReferenceDiameter;
    const double ha = r.addendum;

    r.wheelOutsideDiameter = R0(X(2) * ha + d2 + X(c.wheelOutsideFactor) * mt);
    r.wheelToothThickness = R3(X(r.circularPitch) * c.wheelToothShare);
    r.wheelNormalChordalThickness =
        R3(cosine(toRadians(r.throatLeadAngle)) * r.wheelToothThickness);
    write(resultLabel("Label44"));
    r.wheelNormalChordalHeight =
        R3((Extended(1) - cosine(arcSine(X(r.wheelToothThickness) / d2))) * (Extended(0.5) * d2) +
           ha);
    write(resultLabel("Label45"));
    write(resultLabel("Label33"));

    r.rimWorkingWidth = low32(trunc(X(c.rimWidthFactor) * r.wormReferenceDiameter));
    write(resultLabel("Label34"));

    r.wheelThroatDiameter = R3(X(2) * ha + d2);
    write(resultLabel("Label35"));
}

void Run::valuesFromWorkingLength() {
    const double a = r.centreDistance;
    const Extended halfLength = Extended(0.5) * r.wormWorkingLength;

    r.largestWormTipDiameter =
        R3(X(2) * (X(a) + r.tipEccentricity -
                   squareRoot(X(r.wormTipArcRadius) * r.wormTipArcRadius - halfLength * halfLength)));
    write(resultLabel("Label48"));

    r.wheelTipArcRadius =
        R0((X(a) - squareRoot(X(r.wormRootArcRadius) * r.wormRootArcRadius -
                              halfLength * halfLength)) *
           (X(c.wheelTipArcFactor) * 2));
    write(resultLabel("Label40"));
}

void Run::tipWidths() {
    const double alpha = r.pressureAngle;
    const double e = r.tipEccentricity;

    // width = 2 (s/2 - h tan(theta + alpha)), theta = arctan((s/2) / (R - e + h))
    auto tipWidth = [&](double thickness, double tipArcRadius, double chordalHeight) {
        const Extended halfThickness = X(thickness) / 2;
        const Extended theta =
            toDegrees(arcTangent(halfThickness / (X(tipArcRadius) - e + chordalHeight)));
        return R2(X(2) * (halfThickness - tangent(toRadians(theta + alpha)) * chordalHeight));
    };
    r.wormTipWidth = tipWidth(r.wormToothThickness, r.wormTipArcRadius, r.wormNormalChordalHeight);
    write(resultLabel("Label43"));
    r.hobTipWidth = tipWidth(r.hobToothThickness, r.hobTipArcRadius, r.hobNormalChordalHeight);
    write(resultLabel("Label49"));
}

void Run::modification() {
    r.grindingIncrement = parseReal(in.grindingIncrement);
    const double dz = r.grindingIncrement;
    const double mt = r.transverseModule;

    r.modifiedRatio = R3((X(r.wheelTeeth) + dz) / r.wormStarts);
    r.modifiedCentreDistance = toDouble(X(dz) * mt / 2 + r.centreDistance);
    r.modifiedWheelReferenceDiameter = toDouble((X(r.wheelTeeth) + dz) * mt);
    r.modifiedMainBaseDiameter =
        toDouble(sine(toRadians(r.pressureAngle)) * r.modifiedWheelReferenceDiameter);
    r.modifiedPressureAngle =
        toDouble(toDegrees(arcSine(X(r.modifiedMainBaseDiameter) / r.modifiedWheelReferenceDiameter)));

    const double alpha = r.modifiedPressureAngle;
    const double d2 = r.modifiedWheelReferenceDiameter;
    const double a = r.modifiedCentreDistance;
    r.modifiedInclination =
        generatingPlaneInclination(r.inclinationAngleOffset, alpha, d2, a, r.modifiedRatio);

    write(resultLabel("Label41"));
    write(resultLabel("Label42"));
    write(resultLabel("Label51"));
    write(resultLabel("Label52"));
}

}  // namespace

CalculationResult calculate(const CalculationInputs& inputs, const CoefficientSet& coefficients,
                            DesignRecord& record, DocumentState& document, ResultView& view) {
    view.resetResults();
    try {
        Run run(inputs, coefficients, record, view);
        if (!run.execute()) {
            return {CalculationOutcome::RatioMismatch, std::string(kRatioMismatchMessage)};
        }
    } catch (const CalculationError&) {
        return {CalculationOutcome::InvalidNumber, std::string(kInvalidNumberMessage)};
    }
    view.showResults();
    document.designSaved = false;
    return {};
}

}  // namespace wormpair
